// CDib: creation from bitmap files (written here byte by byte), resources and images, and its
// three draws.
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

#include "capture/dib.h"

namespace {

constexpr QRgb kUntouched = 0xFF123456;

// 2^bits clearly different colours.
QList<QRgb> distinctColors(int bits) {
    QList<QRgb> colors;
    for (int i = 0; i < (1 << bits); ++i) {
        colors.append(qRgb((i * 37 + 11) & 0xFF, (i * 91 + 70) & 0xFF, (255 - i) & 0xFF));
    }
    return colors;
}

// Pixel (x, y from the top): an index at 8 bits or less, else a colour exact at 5-5-5.
quint32 testValue(int bits, int x, int y) {
    return bits <= 8 ? static_cast<quint32>((x + 3 * y) % (1 << bits))
                     : qRgb((x * 40) & 0xF8, (y * 72) & 0xF8, 0x80);
}

QRgb testColor(int bits, int x, int y) {
    const quint32 value = testValue(bits, x, y);
    return bits <= 8 ? distinctColors(bits)[static_cast<int>(value)] : value;
}

// An uncompressed bitmap file at 1, 4, 8, 16 (5-5-5), 24 or 32 bits per pixel.
QByteArray testFile(int bits, int width, int height) {
    const QList<QRgb> table = bits <= 8 ? distinctColors(bits) : QList<QRgb>{};
    const int stride = (width * bits + 31) / 32 * 4;
    const auto offset = static_cast<quint32>(54 + 4 * table.size());
    QByteArray out(static_cast<qsizetype>(offset) + stride * height, '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(static_cast<quint32>(out.size()), p + 2);
    qToLittleEndian<quint32>(offset, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(width, p + 18);
    qToLittleEndian<qint32>(height, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(static_cast<quint16>(bits), p + 28);
    qToLittleEndian<quint32>(static_cast<quint32>(table.size()), p + 46);
    for (int i = 0; i < table.size(); ++i) {
        qToLittleEndian<quint32>(table[i] & 0xFFFFFF, p + 54 + 4 * i);
    }
    for (int y = 0; y < height; ++y) {
        uchar* row = p + offset + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const quint32 v = testValue(bits, x, y);
            if (bits <= 8) {
                row[x * bits / 8] |= static_cast<uchar>(v << (8 - bits - x * bits % 8));
            } else if (bits == 16) {
                qToLittleEndian<quint16>(
                    static_cast<quint16>((qRed(v) >> 3) << 10 | (qGreen(v) >> 3) << 5 |
                                         qBlue(v) >> 3),
                    row + 2 * x);
            } else {
                uchar* pixel = row + bits / 8 * x;
                pixel[0] = static_cast<uchar>(qBlue(v));
                pixel[1] = static_cast<uchar>(qGreen(v));
                pixel[2] = static_cast<uchar>(qRed(v));
            }
        }
    }
    return out;
}

// The colour a CDib holds at (x, y from the top), read from its rows and table directly.
QRgb heldColor(const CDib& dib, int x, int y) {
    const int bits = dib.BitCount();
    const int stride = (dib.Width() * bits + 31) / 32 * 4;
    const std::uint8_t* row = dib.Pixels().data() + stride * (dib.Height() - 1 - y);
    if (bits == 24) {
        return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    const int index = (row[x * bits / 8] >> (8 - bits - x * bits % 8)) & ((1 << bits) - 1);
    const std::uint8_t* entry = dib.ColorTable().data() + 4 * index;
    return qRgb(entry[2], entry[1], entry[0]);
}

QImage canvas() {
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(kUntouched);
    return image;
}

}  // namespace

class DibTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }

    void createsFromBitmapFiles_data() {
        QTest::addColumn<int>("fileBits");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("stride");
        QTest::addColumn<int>("colors");
        QTest::newRow("1 bit") << 1 << 13 << 1 << 4 << 2;
        QTest::newRow("4 bits") << 4 << 9 << 4 << 8 << 16;
        QTest::newRow("8 bits") << 8 << 5 << 8 << 8 << 256;
        QTest::newRow("16 bits") << 16 << 5 << 24 << 16 << 0;
        QTest::newRow("24 bits, width 3") << 24 << 3 << 24 << 12 << 0;
        QTest::newRow("32 bits") << 32 << 5 << 24 << 16 << 0;
    }
    void createsFromBitmapFiles() {
        QFETCH(int, fileBits);
        QFETCH(int, width);
        QFETCH(int, bits);
        QFETCH(int, stride);
        QFETCH(int, colors);
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile(testFile(fileBits, width, 3))));
        QCOMPARE(dib.Width(), width);
        QCOMPARE(dib.Height(), 3);
        QCOMPARE(dib.BitCount(), bits);
        QCOMPARE(dib.ColorCount(), colors);
        QCOMPARE(dib.Header().size(), std::size_t(40 + 4 * colors));
        QCOMPARE(dib.Pixels().size(), std::size_t(stride * 3));
        QCOMPARE(dib.Palette() != nullptr, bits <= 8);
        if (dib.Palette() != nullptr) {
            QCOMPARE(dib.Palette()->Colors(), distinctColors(bits));  // the file's order
        }
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                QCOMPARE(heldColor(dib, x, y), testColor(fileBits, x, y));
            }
        }
    }

    void createsFromImages_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("askedBits");  // 0: the image's own depth
        QTest::addColumn<int>("bits");
        QImage mono(9, 2, QImage::Format_Mono);
        mono.setColorTable({qRgb(10, 20, 30), qRgb(200, 210, 220)});
        mono.fill(0);
        mono.setPixel(3, 1, 1);
        QImage many(16, 16, QImage::Format_Indexed8);
        for (int i = 0; i < 200; ++i) {
            many.setColor(i, qRgb(i, 255 - i, i / 2));
        }
        for (int i = 0; i < 256; ++i) {
            many.setPixel(i % 16, i / 16, static_cast<uint>(i * 7 % 200));
        }
        QImage argb(3, 3, QImage::Format_ARGB32);
        argb.fill(qRgb(1, 2, 3));
        QTest::newRow("mono keeps 1 bit") << mono << 0 << 1;
        QTest::newRow("200 colours do not fit 4 bits") << many << 4 << 24;
        QTest::newRow("200 colours fit 8 bits") << many << 8 << 8;
        QTest::newRow("32 bits become 24") << argb << 0 << 24;
    }
    void createsFromImages() {
        QFETCH(QImage, image);
        QFETCH(int, askedBits);
        QFETCH(int, bits);
        CDib dib;
        QVERIFY(askedBits == 0 ? dib.Create(image) : dib.Create(image, askedBits));
        QCOMPARE(dib.BitCount(), bits);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                QCOMPARE(heldColor(dib, x, y), image.pixel(x, y));
            }
        }
    }

    void loadsBitmapResourcesAndKeepsThemOnFailedLoads() {
        CDib dib;
        QVERIFY(dib.LoadBitmapResource(201));
        QCOMPARE(dib.BitCount(), 24);
        QCOMPARE(dib.Pixels().size(), std::size_t(24));  // 2 rows of 9 pixel bytes + 3 padding
        QCOMPARE(heldColor(dib, 2, 1), qRgb(90, 120, 200));
        QVERIFY(dib.LoadBitmapResource(202));
        QCOMPARE(dib.BitCount(), 4);
        QCOMPARE(heldColor(dib, 4, 2), distinctColors(4)[14]);

        QVERIFY(!dib.LoadBitmapResource(999));
        QVERIFY(!dib.LoadBitmapFile(folder_->filePath("none.bmp")));
        QVERIFY(!dib.LoadBitmapFile(writeFile(testFile(8, 5, 3).left(60))));  // truncated
        QCOMPARE(dib.Width(), 5);
        QCOMPARE(dib.BitCount(), 4);
    }

    void reloadReplacesEverythingAndFailedCreateEmpties() {
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile(testFile(8, 5, 3))));
        QVERIFY(dib.LoadBitmapFile(writeFile(testFile(24, 3, 2))));
        QCOMPARE(dib.ColorCount(), 0);
        QVERIFY(dib.ColorTable().empty());
        QVERIFY(dib.Palette() == nullptr);
        QCOMPARE(dib.Pixels().size(), std::size_t(24));

        QVERIFY(!dib.Create(QImage()));
        QCOMPARE(dib.Width(), 0);
        QVERIFY(dib.Pixels().empty());
        QVERIFY(dib.ColorTable().data() == nullptr);
        QVERIFY(!dib.RebuildPalette());
        QImage target = canvas();
        {
            QPainter painter(&target);
            QCOMPARE(dib.Draw(painter, 0, 0), 0);
            QCOMPARE(dib.DrawStretched(painter, 0, 0, 10, 10), 0);
            QCOMPARE(dib.DrawPart(painter, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4)), 0);
        }
        QCOMPARE(target, canvas());
    }

    void drawsStretchedPixelForPixel_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("smoothHint");
        QTest::newRow("1 bit, own size") << 1 << 1 << false;
        QTest::newRow("4 bits, own size") << 4 << 1 << false;
        QTest::newRow("24 bits, own size") << 24 << 1 << false;
        QTest::newRow("8 bits doubled, palette overrides smoothing") << 8 << 2 << true;
        QTest::newRow("24 bits doubled") << 24 << 2 << false;
    }
    void drawsStretchedPixelForPixel() {
        QFETCH(int, bits);
        QFETCH(int, scale);
        QFETCH(bool, smoothHint);
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile(testFile(bits, 5, 3))));
        QImage target = canvas();
        {
            QPainter painter(&target);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothHint);
            QCOMPARE(scale == 1 ? dib.Draw(painter, 1, 2)
                                : dib.DrawStretched(painter, 1, 2, 5 * scale, 3 * scale),
                     3);
        }
        const QRect drawn(1, 2, 5 * scale, 3 * scale);
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                QCOMPARE(target.pixel(x, y), drawn.contains(x, y)
                                                 ? testColor(bits, (x - 1) / scale, (y - 2) / scale)
                                                 : kUntouched);
            }
        }
    }

    void drawsAPart_data() {
        QTest::addColumn<QRect>("destination");
        QTest::addColumn<QRect>("source");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QRect>("drawnAt");     // on the canvas
        QTest::addColumn<QPoint>("drawnFrom");  // picture pixel at drawnAt's top-left
        QTest::newRow("inner block")
            << QRect(4, 4, 2, 2) << QRect(1, 1, 2, 2) << 2 << QRect(4, 4, 2, 2) << QPoint(1, 1);
        QTest::newRow("smaller destination keeps the source's bottom")
            << QRect(0, 0, 2, 1) << QRect(1, 0, 3, 3) << 1 << QRect(0, 0, 2, 1) << QPoint(1, 2);
        QTest::newRow("partly outside the picture")
            << QRect(0, 0, 4, 4) << QRect(3, 1, 4, 4) << 2 << QRect(0, 0, 2, 2) << QPoint(3, 1);
        QTest::newRow("wholly outside the picture")
            << QRect(0, 0, 2, 2) << QRect(6, 6, 2, 2) << 0 << QRect() << QPoint();
    }
    void drawsAPart() {
        QFETCH(QRect, destination);
        QFETCH(QRect, source);
        QFETCH(int, rows);
        QFETCH(QRect, drawnAt);
        QFETCH(QPoint, drawnFrom);
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile(testFile(24, 5, 3))));
        QImage target = canvas();
        {
            QPainter painter(&target);
            QCOMPARE(dib.DrawPart(painter, destination, source), rows);
        }
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                const QPoint from = drawnFrom + QPoint(x, y) - drawnAt.topLeft();
                QCOMPARE(target.pixel(x, y),
                         drawnAt.contains(x, y) ? testColor(24, from.x(), from.y()) : kUntouched);
            }
        }
    }

private:
    QString writeFile(const QByteArray& bytes) {
        const QString path = folder_->filePath(QString("%1.bmp").arg(++files_));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    std::unique_ptr<QTemporaryDir> folder_;
    int files_ = 0;
};

QTEST_MAIN(DibTest)
#include "dib_test.moc"
