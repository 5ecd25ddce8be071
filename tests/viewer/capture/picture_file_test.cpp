// The capture save, checked by reading the files back with Qt's own decoders.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>

#include <sys/resource.h>

#include "capture/frame_picture.h"
#include "capture/picture_file.h"
#include "frame_maker.h"

using viewer::kCaptureFormatBmp;
using viewer::kCaptureFormatJpg;
using viewer::SaveFramePicture;

namespace {

QImage readBack(const QString& fileName, const char* format) {
    QImageReader reader(fileName, format);
    return reader.read().convertToFormat(QImage::Format_BGR888);
}

QByteArray fileBytes(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

Bgr pixelOf(const QImage& image, int x, int y) {
    const uchar* p = image.constScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

// Limits the size of files this process may write for one scope, so that writes fail part-way
// the way they do on a full disk (this also works for root, whom permissions do not stop).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

// JPEG segments from the start of the file: marker -> payload of its first occurrence.
std::map<int, QByteArray> jpegSegments(const QByteArray& jpeg) {
    std::map<int, QByteArray> segments;
    qsizetype at = 2;  // after SOI
    while (at + 4 <= jpeg.size() && static_cast<uchar>(jpeg[at]) == 0xFF) {
        const int marker = static_cast<uchar>(jpeg[at + 1]);
        const int length = qFromBigEndian<quint16>(jpeg.constData() + at + 2);
        segments.emplace(marker, jpeg.mid(at + 4, length - 2));
        if (marker == 0xDA) {  // start of scan: entropy-coded data follows
            break;
        }
        at += 2 + length;
    }
    return segments;
}

}  // namespace

class PictureFileTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }

    void bmpHoldsTheCaptureRowsExactly_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("captureHeight");
        QTest::addColumn<int>("firstRow");  // frame row, from the top, of the file's top row
        QTest::newRow("640x480 whole") << 640 << 480 << 480 << 0;
        QTest::newRow("1280x1024 middle rows") << 1280 << 1024 << 960 << 32;
        QTest::newRow("padded rows") << 642 << 1024 << 960 << 32;
        QTest::newRow("640x512 bottom 480 rows") << 640 << 512 << 480 << 32;
    }
    void bmpHoldsTheCaptureRowsExactly() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, captureHeight);
        QFETCH(int, firstRow);
        const auto frame = makeFrame(width, height, distinctPixel);
        QCOMPARE(SaveFramePicture(frame, path("cap"), kCaptureFormatBmp), 1);

        const QImage image = readBack(path("cap.bmp"), "bmp");
        QCOMPARE(image.size(), QSize(width, captureHeight));
        for (int y = 0; y < captureHeight; ++y) {
            for (int x = 0; x < width; ++x) {
                if (pixelOf(image, x, y) != distinctPixel(x, y + firstRow)) {
                    QFAIL(qPrintable(QString("pixel %1,%2 differs").arg(x).arg(y)));
                }
            }
        }
    }

    void bmpIsAStandardBitmapFile() {
        const int width = 642;  // rows of 1926 bytes, padded to 1928
        const auto frame = makeFrame(width, 1024, distinctPixel);
        SaveFramePicture(frame, path("cap"), kCaptureFormatBmp);
        const QByteArray bytes = fileBytes(path("cap.bmp"));
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        QVERIFY(bytes.startsWith("BM"));
        const quint32 rowsBytes = 1928 * 960;
        QCOMPARE(bytes.size(), qsizetype{54 + rowsBytes});
        QCOMPARE(qFromLittleEndian<quint32>(p + 2), 54 + rowsBytes);  // file size
        QCOMPARE(qFromLittleEndian<quint32>(p + 10), 54u);            // pixel offset
        QCOMPARE(qFromLittleEndian<quint32>(p + 14), 40u);            // header size
        QCOMPARE(qFromLittleEndian<qint32>(p + 18), width);
        QCOMPARE(qFromLittleEndian<qint32>(p + 22), 960);  // positive: bottom-up
        QCOMPARE(qFromLittleEndian<quint16>(p + 28), 24);
        QCOMPARE(qFromLittleEndian<quint32>(p + 30), 0u);  // uncompressed
        QCOMPARE(qFromLittleEndian<quint32>(p + 34), rowsBytes);
        // Padding is zeros, whatever the frame held between its rows.
        for (int row = 0; row < 960; ++row) {
            QCOMPARE(bytes[54 + row * 1928 + 1926], '\0');
            QCOMPARE(bytes[54 + row * 1928 + 1927], '\0');
        }
    }

    void jpegIsCloseToTheCaptureRows_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("captureHeight");
        QTest::addColumn<int>("firstRow");
        QTest::newRow("640x480") << 640 << 480 << 480 << 0;
        QTest::newRow("1280x1024") << 1280 << 1024 << 960 << 32;
    }
    void jpegIsCloseToTheCaptureRows() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, captureHeight);
        QFETCH(int, firstRow);
        const PixelAt picture = smoothPicture(width, height);
        const auto frame = makeFrame(width, height, picture);
        QCOMPARE(SaveFramePicture(frame, path("cap"), kCaptureFormatJpg), 1);

        const QImage image = readBack(path("cap.jpg"), "jpeg");
        QCOMPARE(image.size(), QSize(width, captureHeight));
        double total = 0;
        int worst = 0;
        for (int y = 0; y < captureHeight; ++y) {
            for (int x = 0; x < width; ++x) {
                const Bgr got = pixelOf(image, x, y);
                const Bgr want = picture(x, y + firstRow);
                for (const auto& [a, b] :
                     {std::pair{got.b, want.b}, {got.g, want.g}, {got.r, want.r}}) {
                    const int error = std::abs(a - b);
                    total += error;
                    worst = std::max(worst, error);
                }
            }
        }
        const double mean = total / (3.0 * width * captureHeight);
        QVERIFY2(mean < 1.5, qPrintable(QString("mean error %1").arg(mean)));
        QVERIFY2(worst <= 16, qPrintable(QString("worst error %1").arg(worst)));
    }

    void jpegIsBaselineQuality80With420() {
        const auto frame = makeFrame(1280, 1024, smoothPicture(1280, 1024));
        SaveFramePicture(frame, path("cap"), kCaptureFormatJpg);
        const auto segments = jpegSegments(fileBytes(path("cap.jpg")));
        QVERIFY(segments.contains(0xC0));   // baseline frame
        QVERIFY(!segments.contains(0xC2));  // not progressive
        const QByteArray frameHeader = segments.at(0xC0);
        QCOMPARE(frameHeader[5], '\3');    // three components
        QCOMPARE(frameHeader[7], '\x22');  // luma sampled 2 x 2 ...
        QCOMPARE(frameHeader[10], '\x11');
        QCOMPARE(frameHeader[13], '\x11');  // ... against each chroma sample
        // The first luma quantiser is the standard 16 scaled for quality 80.
        const QByteArray tables = segments.at(0xDB);
        QCOMPARE(tables[0], '\0');  // 8-bit table 0
        QCOMPARE(tables[1], '\6');
    }

    void scaledCaptureKeepsItsRowsAndOrientation_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("captureHeight");
        QTest::addColumn<int>("dropped");  // rows left out at the top and at the bottom
        QTest::newRow("short 640 frame") << 640 << 240 << 480 << 0;
        QTest::newRow("1280x512") << 1280 << 512 << 960 << 32;
        QTest::newRow("800x600") << 800 << 600 << 960 << 32;
    }
    void scaledCaptureKeepsItsRowsAndOrientation() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, captureHeight);
        QFETCH(int, dropped);
        // Green rows are the ones to leave out; red above blue tells which way is up.
        const Bgr green{0, 255, 0}, red{0, 0, 255}, blue{255, 0, 0};
        const int middle = height / 2;
        const auto frame = makeFrame(width, height, [&](int, int y) {
            if (y < dropped || y >= height - dropped) {
                return green;
            }
            return y < middle ? red : blue;
        });
        QCOMPARE(SaveFramePicture(frame, path("cap"), kCaptureFormatBmp), 1);

        const QImage image = readBack(path("cap.bmp"), "bmp");
        QCOMPARE(image.size(), QSize(width, captureHeight));
        QCOMPARE(pixelOf(image, width / 2, 0), red);
        QCOMPARE(pixelOf(image, width / 2, captureHeight - 1), blue);
        for (int y = 0; y < captureHeight; ++y) {
            QCOMPARE(pixelOf(image, 0, y).g, 0);
        }
    }

    void extensionFollowsTheFormat_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("0 bmp") << 0 << "cap.bmp" << QByteArray("BM");
        QTest::newRow("1 jpg") << 1 << "cap.jpg" << QByteArray("\xFF\xD8\xFF");
        QTest::newRow("2 bmp") << 2 << "cap.bmp" << QByteArray("BM");
        QTest::newRow("-1 bmp") << -1 << "cap.bmp" << QByteArray("BM");
    }
    void extensionFollowsTheFormat() {
        QFETCH(int, format);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, magic);
        const auto frame = makeFrame(640, 480, distinctPixel);
        QCOMPARE(SaveFramePicture(frame, path("cap"), format), 1);
        QCOMPARE(entries(), QStringList{fileName});
        QVERIFY(fileBytes(path(fileName)).startsWith(magic));
    }

    void missingFolderWritesNothing() {
        const auto frame = makeFrame(640, 480, distinctPixel);
        for (int format : {kCaptureFormatBmp, kCaptureFormatJpg}) {
            QCOMPARE(SaveFramePicture(frame, path("missing/cap"), format), 1);
        }
        QVERIFY(entries().isEmpty());
    }

    void nameTakenByAFolderWritesNothing() {
        QVERIFY(QDir(folder_->path()).mkdir("cap.bmp"));
        const auto frame = makeFrame(640, 480, distinctPixel);
        QCOMPARE(SaveFramePicture(frame, path("cap"), kCaptureFormatBmp), 1);
        QCOMPARE(entries(), QStringList{"cap.bmp"});
        QVERIFY(QFileInfo(path("cap.bmp")).isDir());
    }

    void failedWriteKeepsTheEarlierFile_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("bmp") << kCaptureFormatBmp << "cap.bmp";
        QTest::newRow("jpg") << kCaptureFormatJpg << "cap.jpg";
    }
    void failedWriteKeepsTheEarlierFile() {
        QFETCH(int, format);
        QFETCH(QString, fileName);
        {
            QFile earlier(path(fileName));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier capture");
        }
        const auto frame = makeFrame(1280, 1024, smoothPicture(1280, 1024));
        {
            const FileSizeLimit limit(4096);  // far below either file's size
            QCOMPARE(SaveFramePicture(frame, path("cap"), format), 1);
        }
        QCOMPARE(entries(), QStringList{fileName});  // no temporary file left behind
        QCOMPARE(fileBytes(path(fileName)), QByteArray("earlier capture"));
    }

    void unusableHeaderWritesNothing_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bitCount");
        QTest::addColumn<int>("compression");
        QTest::addColumn<qlonglong>("blockBytes");
        const auto full = static_cast<qlonglong>(viewer::kFramePictureBytes);
        const qlonglong small = 40 + 640 * 480 * 3;
        QTest::newRow("block shorter than a header") << 640 << 480 << 24 << 0 << 20LL;
        QTest::newRow("header only") << 640 << 480 << 24 << 0 << 40LL;
        QTest::newRow("one byte short") << 640 << 480 << 24 << 0 << small - 1;
        QTest::newRow("taller than the block") << 1280 << 1025 << 24 << 0 << full;
        QTest::newRow("wider than the block") << 1281 << 1024 << 24 << 0 << full;
        QTest::newRow("high-res header in a low-res block") << 1280 << 1024 << 24 << 0 << small;
        QTest::newRow("largest dimensions") << std::numeric_limits<int>::max()
                                            << std::numeric_limits<int>::max() << 24 << 0 << full;
        QTest::newRow("wraps 32 bits") << 65536 << 65536 << 24 << 0 << full;
        QTest::newRow("top-down") << 640 << -480 << 24 << 0 << full;
        QTest::newRow("zero width") << 0 << 480 << 24 << 0 << full;
        QTest::newRow("negative width") << -640 << 480 << 24 << 0 << full;
        QTest::newRow("32 bits") << 640 << 480 << 32 << 0 << full;
        QTest::newRow("compressed") << 640 << 480 << 24 << 1 << full;
        QTest::newRow("no rows left") << 1280 << 64 << 24 << 0 << full;
    }
    void unusableHeaderWritesNothing() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bitCount);
        QFETCH(int, compression);
        QFETCH(qlonglong, blockBytes);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(blockBytes), 0x5A);
        if (block.size() >= viewer::kFrameHeaderBytes) {
            auto header = viewer::pictureHeader(width, height);
            header.bitCount = static_cast<std::uint16_t>(bitCount);
            header.compression = static_cast<std::uint32_t>(compression);
            viewer::writeHeader(block, header);
        }
        for (int format : {kCaptureFormatBmp, kCaptureFormatJpg}) {
            QCOMPARE(SaveFramePicture(block, path("cap"), format), 1);
        }
        QVERIFY(entries().isEmpty());
    }

private:
    QString path(const QString& name) const { return folder_->filePath(name); }
    QStringList entries() const {
        return QDir(folder_->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> folder_;  // a fresh one for every test
};

QTEST_GUILESS_MAIN(PictureFileTest)
#include "picture_file_test.moc"
