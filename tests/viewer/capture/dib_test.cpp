// CDib: creation from bitmap files, resources and images at each depth, and its three draws.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "bitmap_file_maker.h"
#include "capture/dib.h"

namespace {

constexpr QRgb kUntouched = 0xFF123456;

// A colour index at 8 bits or less, a colour (multiples of 8, exact at 5-5-5) above.
quint32 testValue(int bitCount, int x, int y) {
    if (bitCount <= 8) {
        return static_cast<quint32>((x + 3 * y) % (1 << bitCount));
    }
    return qRgb((x * 40) & 0xF8, (y * 72) & 0xF8, 0x80);
}

QRgb testColor(int bitCount, int x, int y) {
    const quint32 value = testValue(bitCount, x, y);
    return bitCount <= 8 ? distinctColors(bitCount)[static_cast<int>(value)] : value | 0xFF000000;
}

QByteArray testFile(int bitCount, int width, int height) {
    return bitmapFile(width, height, bitCount,
                      bitCount <= 8 ? distinctColors(bitCount) : QList<QRgb>{},
                      [bitCount](int x, int y) { return testValue(bitCount, x, y); });
}

// The colour a CDib holds at (x, y from the top), read from its rows and table directly.
QRgb heldColor(const CDib& dib, int x, int y) {
    const int bits = dib.BitCount();
    const int stride = (dib.Width() * bits + 31) / 32 * 4;
    const std::uint8_t* row = dib.Pixels().data() + stride * (dib.Height() - 1 - y);
    if (bits == 24) {
        return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    const int bit = x * bits;
    const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
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
        const int height = 3;
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile("picture.bmp", testFile(fileBits, width, height))));

        QCOMPARE(dib.Width(), width);
        QCOMPARE(dib.Height(), height);
        QCOMPARE(dib.BitCount(), bits);
        QCOMPARE(dib.ColorCount(), colors);
        QCOMPARE(dib.Header().size(), std::size_t(40 + 4 * colors));
        QCOMPARE(dib.ColorTable().size(), std::size_t(4 * colors));
        QCOMPARE(dib.Pixels().size(), std::size_t(stride * height));
        QCOMPARE(dib.Palette() != nullptr, bits <= 8);
        if (dib.Palette() != nullptr) {
            QCOMPARE(dib.Palette()->Colors(), distinctColors(bits));
        }
        for (int y = 0; y < height; ++y) {
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
        QImage few(4, 4, QImage::Format_Indexed8);
        QImage many(16, 16, QImage::Format_Indexed8);
        for (QImage* image : {&few, &many}) {
            const int count = image == &few ? 10 : 200;
            for (int i = 0; i < count; ++i) {
                image->setColor(i, qRgb(i, 255 - i, i / 2));
            }
            for (int y = 0; y < image->height(); ++y) {
                for (int x = 0; x < image->width(); ++x) {
                    image->setPixel(x, y, static_cast<uint>((x * 7 + y) % count));
                }
            }
        }
        QImage grey(3, 3, QImage::Format_Grayscale8);
        grey.fill(77);
        QImage argb(3, 3, QImage::Format_ARGB32);
        argb.fill(qRgb(1, 2, 3));
        QTest::newRow("mono keeps 1 bit") << mono << 0 << 1;
        QTest::newRow("10 colours fit 4 bits") << few << 4 << 4;
        QTest::newRow("200 colours do not fit 4 bits") << many << 4 << 24;
        QTest::newRow("grey keeps 8 bits") << grey << 0 << 8;
        QTest::newRow("32-bit becomes 24") << argb << 0 << 24;
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
                QCOMPARE(heldColor(dib, x, y), image.pixel(x, y) | 0xFF000000);
            }
        }
    }

    void loadsBitmapResources() {
        CDib dib;
        QVERIFY(dib.LoadBitmapResource(201));
        QCOMPARE(dib.BitCount(), 24);
        QCOMPARE(dib.Pixels().size(), std::size_t(24));  // 2 rows of 9 pixel bytes + 3 padding
        QCOMPARE(heldColor(dib, 2, 1), qRgb(90, 120, 200));

        QVERIFY(dib.LoadBitmapResource(202));
        QCOMPARE(dib.BitCount(), 4);
        QCOMPARE(dib.Palette()->Colors(), distinctColors(4));
        QCOMPARE(heldColor(dib, 4, 2), distinctColors(4)[14]);
    }

    void failedLoadKeepsTheBitmap_data() {
        QTest::addColumn<int>("resource");
        QTest::addColumn<QByteArray>("file");  // loaded instead when resource is 0
        QTest::newRow("no such resource") << 999 << QByteArray();
        QTest::newRow("no such file") << 0 << QByteArray();
        QTest::newRow("truncated file") << 0 << testFile(8, 5, 3).left(60);
        QTest::newRow("not a picture") << 0 << QByteArray("BM but not really");
    }
    void failedLoadKeepsTheBitmap() {
        QFETCH(int, resource);
        QFETCH(QByteArray, file);
        CDib dib;
        QVERIFY(dib.LoadBitmapResource(202));
        const bool loaded = resource != 0    ? dib.LoadBitmapResource(resource)
                            : file.isEmpty() ? dib.LoadBitmapFile(folder_->filePath("none.bmp"))
                                             : dib.LoadBitmapFile(writeFile("bad.bmp", file));
        QVERIFY(!loaded);
        QCOMPARE(dib.Width(), 5);
        QCOMPARE(dib.BitCount(), 4);
    }

    void reloadReplacesEverything() {
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile("8.bmp", testFile(8, 5, 3))));
        QVERIFY(dib.LoadBitmapFile(writeFile("24.bmp", testFile(24, 3, 2))));
        QCOMPARE(dib.BitCount(), 24);
        QCOMPARE(dib.ColorCount(), 0);
        QVERIFY(dib.ColorTable().empty());
        QVERIFY(dib.Palette() == nullptr);
        QCOMPARE(dib.Pixels().size(), std::size_t(24));

        QVERIFY(!dib.Create(QImage()));  // a failed creation leaves nothing behind
        QCOMPARE(dib.Width(), 0);
        QVERIFY(dib.Pixels().empty());
    }

    void emptyDibHoldsAndDrawsNothing() {
        CDib dib;
        QCOMPARE(dib.Width(), 0);
        QCOMPARE(dib.Height(), 0);
        QCOMPARE(dib.BitCount(), 0);
        QCOMPARE(dib.ColorCount(), 0);
        QVERIFY(dib.Header().empty());
        QVERIFY(dib.ColorTable().data() == nullptr);
        QVERIFY(dib.Pixels().empty());
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

    void drawsAtItsOwnSize_data() {
        QTest::addColumn<int>("bits");
        for (int bits : {1, 4, 8, 24}) {
            QTest::newRow(qPrintable(QString("%1 bits").arg(bits))) << bits;
        }
    }
    void drawsAtItsOwnSize() {
        QFETCH(int, bits);
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile("p.bmp", testFile(bits, 5, 3))));
        QImage target = canvas();
        {
            QPainter painter(&target);
            QCOMPARE(dib.Draw(painter, 2, 3), 3);
        }
        const QRect drawn(2, 3, 5, 3);
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                const QRgb want = drawn.contains(x, y) ? testColor(bits, x - 2, y - 3) : kUntouched;
                QCOMPARE(target.pixel(x, y), want);
            }
        }
    }

    void drawsStretchedPixelForPixel_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("smoothHint");
        QTest::newRow("8 bits, palette overrides smoothing") << 8 << true;
        QTest::newRow("24 bits") << 24 << false;
    }
    void drawsStretchedPixelForPixel() {
        QFETCH(int, bits);
        QFETCH(bool, smoothHint);
        CDib dib;
        QVERIFY(dib.LoadBitmapFile(writeFile("p.bmp", testFile(bits, 3, 2))));
        QImage target = canvas();
        {
            QPainter painter(&target);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothHint);
            QCOMPARE(dib.DrawStretched(painter, 1, 1, 6, 4), 2);
        }
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                QCOMPARE(target.pixel(1 + x, 1 + y), testColor(bits, x / 2, y / 2));
            }
        }
        QCOMPARE(target.pixel(7, 1), kUntouched);
        QCOMPARE(target.pixel(1, 5), kUntouched);
    }

    void drawsAPart_data() {
        QTest::addColumn<QRect>("destination");
        QTest::addColumn<QRect>("source");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QRect>("drawnAt");     // on the canvas
        QTest::addColumn<QPoint>("drawnFrom");  // picture pixel at drawnAt's top-left
        QTest::newRow("whole") << QRect(1, 2, 5, 3) << QRect(0, 0, 5, 3) << 3 << QRect(1, 2, 5, 3)
                               << QPoint(0, 0);
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
        QVERIFY(dib.LoadBitmapFile(writeFile("p.bmp", testFile(24, 5, 3))));
        QImage target = canvas();
        {
            QPainter painter(&target);
            QCOMPARE(dib.DrawPart(painter, destination, source), rows);
        }
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                const QPoint from = drawnFrom + QPoint(x, y) - drawnAt.topLeft();
                const QRgb want =
                    drawnAt.contains(x, y) ? testColor(24, from.x(), from.y()) : kUntouched;
                QCOMPARE(target.pixel(x, y), want);
            }
        }
    }

private:
    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = folder_->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    std::unique_ptr<QTemporaryDir> folder_;
};

QTEST_MAIN(DibTest)
#include "dib_test.moc"
