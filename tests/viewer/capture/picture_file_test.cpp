// The capture save, checked by reading the files back with Qt's decoders. Frames sit in blocks
// exactly as large as their rows need, so AddressSanitizer sees any read past them.
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "capture/frame_picture.h"
#include "capture/picture_file.h"
#include "file_size_limit.h"

using viewer::kCaptureFormatBmp;
using viewer::kCaptureFormatJpg;
using viewer::SaveFramePicture;
using viewer::test::FileSizeLimit;

namespace {

using Block = std::vector<std::uint8_t>;
using PixelAt = std::function<QRgb(int x, int y)>;  // y counted from the top

Block makeFrame(int width, int height, const PixelAt& pixel) {
    const std::size_t stride = viewer::rowStride(width);
    Block block(viewer::kFrameHeaderBytes + stride * static_cast<std::size_t>(height), 0xAB);
    viewer::writeHeader(block, viewer::pictureHeader(width, height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = viewer::pixelsOf(std::span(block)).data() + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = pixel(x, y);
            row[3 * x] = static_cast<std::uint8_t>(qBlue(c));
            row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
            row[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
        }
    }
    return block;
}

// Different in every pixel of a 1280 x 1024 frame, so any misplaced row or column shows.
QRgb distinct(int x, int y) {
    return qRgb(((x >> 8) | ((y >> 8) << 3) | ((x + y) << 5)) & 0xFF, y & 0xFF, x & 0xFF);
}

// Smooth and photo-like, which JPEG keeps closely; brighter towards the bottom.
PixelAt smooth(int width, int height) {
    return [=](int x, int y) {
        const double u = double(x) / width, v = double(y) / height;
        return qRgb(int(40 + 180 * u * (1 - v)), int(30 + 200 * v),
                    int(128 + 90 * std::sin(6 * u + 4 * v)));
    };
}

QImage readBack(const QString& fileName) {
    return QImageReader(fileName).read().convertToFormat(QImage::Format_RGB32);
}

QByteArray fileBytes(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    }
    void bmpHoldsTheCaptureRowsExactly() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, captureHeight);
        QFETCH(int, firstRow);
        QCOMPARE(SaveFramePicture(makeFrame(width, height, distinct), path("cap"), 0), 1);
        const QImage image = readBack(path("cap.bmp"));
        QCOMPARE(image.size(), QSize(width, captureHeight));
        for (int y = 0; y < captureHeight; ++y) {
            for (int x = 0; x < width; ++x) {
                if (image.pixel(x, y) != distinct(x, y + firstRow)) {
                    QFAIL(qPrintable(QString("pixel %1,%2 differs").arg(x).arg(y)));
                }
            }
        }
        // A standard file: 54 bytes of headers, then rows padded with zeros to 4 bytes.
        const QByteArray bytes = fileBytes(path("cap.bmp"));
        const int stride = (3 * width + 3) & ~3;
        QCOMPARE(bytes.size(), 54 + stride * captureHeight);
        for (int row = 0; row < captureHeight; ++row) {
            for (int pad = 3 * width; pad < stride; ++pad) {
                QCOMPARE(bytes[54 + row * stride + pad], '\0');
            }
        }
    }

    void jpegIsCloseBaselineQuality80_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("captureHeight");
        QTest::addColumn<int>("firstRow");
        QTest::newRow("640x480") << 640 << 480 << 480 << 0;
        QTest::newRow("1280x1024") << 1280 << 1024 << 960 << 32;
    }
    void jpegIsCloseBaselineQuality80() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, captureHeight);
        QFETCH(int, firstRow);
        const PixelAt picture = smooth(width, height);
        QCOMPARE(SaveFramePicture(makeFrame(width, height, picture), path("cap"), 1), 1);
        const QImage image = readBack(path("cap.jpg"));
        QCOMPARE(image.size(), QSize(width, captureHeight));
        double total = 0;
        int worst = 0;
        for (int y = 0; y < captureHeight; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb got = image.pixel(x, y), want = picture(x, y + firstRow);
                for (int error : {qRed(got) - qRed(want), qGreen(got) - qGreen(want),
                                  qBlue(got) - qBlue(want)}) {
                    total += std::abs(error);
                    worst = std::max(worst, std::abs(error));
                }
            }
        }
        QVERIFY2(total / (3.0 * width * captureHeight) < 1.5, qPrintable(QString::number(total)));
        QVERIFY2(worst <= 16, qPrintable(QString::number(worst)));

        const QByteArray jpeg = fileBytes(path("cap.jpg"));
        const qsizetype frame = jpeg.indexOf("\xFF\xC0");  // baseline, not progressive
        QVERIFY(frame > 0 && jpeg.indexOf("\xFF\xC2") < 0);
        QCOMPARE(jpeg.mid(frame + 11, 7), QByteArray("\x22\0\2\x11\1\3\x11", 7));  // 4:2:0
        const qsizetype tables = jpeg.indexOf("\xFF\xDB");
        QCOMPARE(jpeg[tables + 5], '\6');  // luma DC quantiser: the standard 16 at quality 80
    }

    void scaledCaptureKeepsItsRowsAndOrientation_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("captureHeight");
        QTest::addColumn<int>("dropped");  // rows left out at the top and at the bottom
        QTest::newRow("short 640 frame") << 640 << 240 << 480 << 0;
        QTest::newRow("640x512 whole") << 640 << 512 << 480 << 0;
        QTest::newRow("640x960 whole, not its bottom half") << 640 << 960 << 480 << 0;
        QTest::newRow("1280x512") << 1280 << 512 << 960 << 32;
        QTest::newRow("800x600") << 800 << 600 << 960 << 32;
    }
    void scaledCaptureKeepsItsRowsAndOrientation() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, captureHeight);
        QFETCH(int, dropped);
        // Green rows are the ones to leave out; red above blue tells which way is up.
        const Block frame = makeFrame(width, height, [&](int, int y) {
            if (y < dropped || y >= height - dropped) {
                return qRgb(0, 255, 0);
            }
            return y < height / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        });
        QCOMPARE(SaveFramePicture(frame, path("cap"), kCaptureFormatBmp), 1);
        const QImage image = readBack(path("cap.bmp"));
        QCOMPARE(image.size(), QSize(width, captureHeight));
        QCOMPARE(image.pixel(width / 2, 0), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(width / 2, captureHeight - 1), qRgb(0, 0, 255));
        for (int y = 0; y < captureHeight; ++y) {
            QCOMPARE(qGreen(image.pixel(0, y)), 0);
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
        QCOMPARE(SaveFramePicture(makeFrame(640, 480, distinct), path("cap"), format), 1);
        QCOMPARE(entries(), QStringList{fileName});
        QVERIFY(fileBytes(path(fileName)).startsWith(magic));
    }

    void unwritableTargetWritesNothing() {
        const Block frame = makeFrame(640, 480, distinct);
        QVERIFY(QDir(folder_->path()).mkdir("taken.bmp"));
        QCOMPARE(SaveFramePicture(frame, path("missing/cap"), kCaptureFormatJpg), 1);
        QCOMPARE(SaveFramePicture(frame, path("taken"), kCaptureFormatBmp), 1);
        QCOMPARE(entries(), QStringList{"taken.bmp"});
        QVERIFY(QFileInfo(path("taken.bmp")).isDir());
    }

    void failedWriteKeepsTheEarlierFile_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("room");  // bytes a file may reach
        QTest::newRow("bmp, no room") << kCaptureFormatBmp << "cap.bmp" << 0;
        QTest::newRow("bmp, room for little") << kCaptureFormatBmp << "cap.bmp" << 4096;
        QTest::newRow("jpg, no room") << kCaptureFormatJpg << "cap.jpg" << 0;
        QTest::newRow("jpg, room for little") << kCaptureFormatJpg << "cap.jpg" << 4096;
        QTest::newRow("bmp, room for most") << kCaptureFormatBmp << "cap.bmp" << 3'000'000;
        QTest::newRow("jpg, room for most") << kCaptureFormatJpg << "cap.jpg" << 20'000;
    }
    void failedWriteKeepsTheEarlierFile() {
        QFETCH(int, format);
        QFETCH(QString, fileName);
        QFETCH(int, room);
        QFile earlier(path(fileName));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        const Block frame = makeFrame(1280, 1024, smooth(1280, 1024));
        {
            const FileSizeLimit limit{rlim_t(room)};
            QCOMPARE(SaveFramePicture(frame, path("cap"), format), 1);
        }
        QCOMPARE(entries(), QStringList{fileName});  // no temporary file left behind
        QCOMPARE(fileBytes(path(fileName)), QByteArray("earlier"));
    }

    void unusableHeaderWritesNothing_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bitCount");
        QTest::addColumn<int>("blockBytes");
        const int full = int(viewer::kFramePictureBytes), small = 40 + 640 * 480 * 3;
        const int largest = std::numeric_limits<int>::max();
        QTest::newRow("block shorter than a header") << 640 << 480 << 24 << 20;
        QTest::newRow("one byte short") << 640 << 480 << 24 << small - 1;
        QTest::newRow("high-res header, low-res block") << 1280 << 1024 << 24 << small;
        QTest::newRow("largest dimensions") << largest << largest << 24 << full;
        QTest::newRow("size wraps 32 bits") << 65536 << 65536 << 24 << full;
        QTest::newRow("top-down") << 640 << -480 << 24 << full;
        QTest::newRow("negative width") << -640 << 480 << 24 << full;
        QTest::newRow("32 bits") << 640 << 480 << 32 << full;
        QTest::newRow("no rows left") << 1280 << 64 << 24 << full;
    }
    void unusableHeaderWritesNothing() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bitCount);
        QFETCH(int, blockBytes);
        Block block(static_cast<std::size_t>(blockBytes), 0x5A);
        if (block.size() >= viewer::kFrameHeaderBytes) {
            auto header = viewer::pictureHeader(width, height);
            header.bitCount = static_cast<std::uint16_t>(bitCount);
            viewer::writeHeader(block, header);
        }
        QCOMPARE(SaveFramePicture(block, path("cap"), kCaptureFormatBmp), 1);
        QCOMPARE(SaveFramePicture(block, path("cap"), kCaptureFormatJpg), 1);
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
