// The frame picture block without a widget: which rows are shown and printed, how pictures are
// stored, and the print picture holder.
#include "gallery/picture_store.h"
#include "gallery/packed_dib.h"
#include "gallery/pane_geometry.h"
#include "tagged_picture.h"

#include <QtEndian>
#include <QtTest>

#include <cstring>

using viewer::kFrameHeaderBytes;
using viewer::rowStride;

namespace {

std::vector<std::uint8_t> emptyBlock() {
    return std::vector<std::uint8_t>(viewer::kFramePictureBytes);
}

// Tag of the pixel stored at (x, row from top) of a block holding a picture `height` rows high.
QRgb storedTag(const std::vector<std::uint8_t>& block, int width, int height, int x, int row) {
    const std::uint8_t* p =
        block.data() + kFrameHeaderBytes + rowStride(width) * (height - 1 - row) + 3 * x;
    return qRgb(p[2], p[1], p[0]);
}

}  // namespace

class PictureStoreTest : public QObject {
    Q_OBJECT

private slots:
    void paneRows_data() {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::newRow("480 whole") << 480 << 0 << 480;
        QTest::newRow("960 whole") << 960 << 0 << 960;
        QTest::newRow("512 loses 16") << 512 << 16 << 480;
        QTest::newRow("1024 loses 32") << 1024 << 32 << 960;
        QTest::newRow("600 loses 32") << 600 << 32 << 536;
        QTest::newRow("too short to crop") << 40 << 0 << 40;
    }
    void paneRows() {
        QFETCH(int, height);
        QFETCH(int, first);
        QFETCH(int, count);
        QCOMPARE(viewer::paneRows(height), (viewer::RowBand{first, count}));
    }

    // Rows of any width land bottom-up at the padded stride with zeroed padding, whichever way
    // the caller orders them.
    void storesRowsWithPadding_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("bottomUpInput");
        for (const int width : {1, 5, 7, 641}) {
            QTest::addRow("width %d top-down", width) << width << false;
            QTest::addRow("width %d bottom-up", width) << width << true;
        }
    }
    void storesRowsWithPadding() {
        QFETCH(int, width);
        QFETCH(bool, bottomUpInput);
        const int height = 3;
        const QImage picture = test::taggedImage(width, height);
        auto block = emptyBlock();
        std::memset(block.data(), 0xEE, block.size());
        QVERIFY(viewer::storePicture(
            block, bottomUpInput ? picture.mirrored() : picture,
            bottomUpInput ? viewer::RowOrder::BottomUp : viewer::RowOrder::TopDown));

        const auto header = viewer::readHeader(block);
        QCOMPARE(header.width, width);
        QCOMPARE(header.height, height);
        QCOMPARE(header.sizeImage, static_cast<std::uint32_t>(width * height * 3));
        for (int row = 0; row < height; ++row) {
            for (int x = 0; x < width; ++x) {
                QCOMPARE(storedTag(block, width, height, x, row), test::tagOf(x, row));
            }
            const std::uint8_t* rowEnd =
                block.data() + kFrameHeaderBytes + rowStride(width) * row + 3 * width;
            for (std::size_t pad = 0; pad < rowStride(width) - 3 * width; ++pad) {
                QCOMPARE(rowEnd[pad], std::uint8_t{0});
            }
        }
    }

    void scalesLargePicturesToFit_data() {
        QTest::addColumn<QSize>("input");
        QTest::addColumn<QSize>("stored");
        QTest::newRow("largest kept") << QSize(1280, 1024) << QSize(1280, 1024);
        QTest::newRow("too wide") << QSize(2560, 1024) << QSize(1280, 512);
        QTest::newRow("too tall") << QSize(1400, 1400) << QSize(1024, 1024);
        QTest::newRow("thin strip") << QSize(5000, 3) << QSize(1280, 1);
    }
    void scalesLargePicturesToFit() {
        QFETCH(QSize, input);
        QFETCH(QSize, stored);
        QImage picture(input, QImage::Format_RGB32);
        picture.fill(qRgb(10, 20, 30));
        auto block = emptyBlock();
        QVERIFY(viewer::storePicture(block, picture));
        const auto header = viewer::readHeader(block);
        QCOMPARE(QSize(header.width, header.height), stored);
        QCOMPARE(storedTag(block, header.width, header.height, header.width - 1, 0),
                 qRgb(10, 20, 30));
    }

    void refusesPicturesItCannotShow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bits");
        QTest::newRow("wider than the block") << 1281 << 10 << 24;
        QTest::newRow("taller than the block") << 10 << 1025 << 24;
        QTest::newRow("no width") << 0 << 10 << 24;
        QTest::newRow("top-down height") << 640 << -480 << 24;
        QTest::newRow("not 24 bits") << 640 << 480 << 8;
    }
    void refusesPicturesItCannotShow() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bits);
        auto block = emptyBlock();
        auto header = viewer::pictureHeader(width, height);
        header.bitCount = static_cast<std::uint16_t>(bits);
        viewer::writeHeader(block, header);
        QVERIFY(viewer::frameImage(block).isNull());
        QVERIFY(viewer::makePrintBlock(block).isEmpty());
    }

    void printPicture_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("printHeight");
        QTest::newRow("640x480 as is") << 640 << 480 << 0 << 480;
        QTest::newRow("1280x1024 without 32 rows each end") << 1280 << 1024 << 32 << 960;
    }
    // One-to-one cases: the print rows are the frame's rows byte for byte.
    void printPicture() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, firstRow);
        QFETCH(int, printHeight);
        auto frame = emptyBlock();
        const auto tagged = test::taggedFrame(width, height);
        std::copy(tagged.begin(), tagged.end(), frame.begin());
        const QByteArray print = viewer::makePrintBlock(frame);
        QVERIFY(!print.isEmpty());
        const auto header = viewer::readHeader(
            std::span(reinterpret_cast<const std::uint8_t*>(print.constData()), 40));
        QCOMPARE(header.width, width);
        QCOMPARE(header.height, printHeight);
        const std::size_t bytes = rowStride(width) * printHeight;
        QCOMPARE(static_cast<std::size_t>(print.size()), kFrameHeaderBytes + bytes);
        QVERIFY(std::memcmp(print.constData() + kFrameHeaderBytes,
                            frame.data() + kFrameHeaderBytes + rowStride(width) * firstRow,
                            bytes) == 0);
    }

    // An 800-wide picture is printed 960 rows high; the padded rows must all be there.
    void printPictureOfOddWidthKeepsPadding() {
        auto frame = emptyBlock();
        const auto tagged = test::taggedFrame(799, 600);
        std::copy(tagged.begin(), tagged.end(), frame.begin());
        const QByteArray print = viewer::makePrintBlock(frame);
        QCOMPARE(static_cast<std::size_t>(print.size()), kFrameHeaderBytes + rowStride(799) * 960);
        CPackedDib dib;
        QVERIFY(dib.Attach(print));
        const QImage image = dib.ToImage();
        QCOMPARE(image.size(), QSize(799, 960));
        // Top and bottom come from rows 32 and 567 of the picture, stretched smoothly.
        QVERIFY(qAbs(test::sourceOf(image.pixel(400, 0)).y() - 32) <= 1);
        QVERIFY(qAbs(test::sourceOf(image.pixel(400, 959)).y() - 567) <= 1);
    }

    void packedDibReadsHeadersAndPalettes() {
        CPackedDib dib;
        dib.SetCaption("kept");
        // 8 bits, two colours named, third entry present but not named.
        QByteArray eight(40 + 3 * 4, '\0');
        qToLittleEndian<std::uint32_t>(40, eight.data());
        qToLittleEndian<std::int32_t>(33, eight.data() + 4);
        qToLittleEndian<std::int32_t>(7, eight.data() + 8);
        qToLittleEndian<std::uint16_t>(8, eight.data() + 14);
        qToLittleEndian<std::uint32_t>(2, eight.data() + 32);
        eight[40] = 1;  // blue of the first entry
        eight[46] = 9;  // red of the second entry
        QVERIFY(dib.Attach(eight));
        QCOMPARE(dib.Width(), 33);
        QCOMPARE(dib.Height(), 7);
        QCOMPARE(dib.Palette(), (QList<QRgb>{qRgb(0, 0, 1), qRgb(9, 0, 0)}));
        QCOMPARE(dib.Caption(), QString("kept"));

        // A core header whose 1-bit colour table is cut short: only the entries present.
        QByteArray core(12 + 3, '\0');
        qToLittleEndian<std::uint32_t>(12, core.data());
        qToLittleEndian<std::uint16_t>(16, core.data() + 4);
        qToLittleEndian<std::uint16_t>(2, core.data() + 6);
        qToLittleEndian<std::uint16_t>(1, core.data() + 10);
        QVERIFY(dib.Attach(core));
        QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(16, 2));
        QCOMPARE(dib.Palette().size(), 1);

        QVERIFY(!dib.Attach(QByteArray(20, '\0')));
        QVERIFY(dib.IsEmpty());
        QCOMPARE(dib.Width(), 0);
        dib.Clear();
        QCOMPARE(dib.Caption(), QString());
    }
};

QTEST_GUILESS_MAIN(PictureStoreTest)
#include "picture_store_test.moc"
