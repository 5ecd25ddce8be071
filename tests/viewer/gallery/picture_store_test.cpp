// The frame picture block without a widget: how pictures are stored and printed, and the print
// picture holder.
#include "gallery/picture_store.h"
#include "gallery/packed_dib.h"
#include "tagged_picture.h"

#include <QtEndian>
#include <QtTest>

#include <cstring>

using viewer::kFrameHeaderBytes;
using viewer::rowStride;

namespace {

std::vector<std::uint8_t> blockHolding(const std::vector<std::uint8_t>& picture = {}) {
    std::vector<std::uint8_t> block(viewer::kFramePictureBytes, 0xEE);
    std::copy(picture.begin(), picture.end(), block.begin());
    return block;
}

}  // namespace

class PictureStoreTest : public QObject {
    Q_OBJECT

private slots:
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
        const QImage picture = test::taggedImage(width, 3);
        auto block = blockHolding();
        QVERIFY(viewer::storePicture(
            block, bottomUpInput ? picture.mirrored() : picture,
            bottomUpInput ? viewer::RowOrder::BottomUp : viewer::RowOrder::TopDown));
        const auto expected = test::taggedFrame(width, 3);
        QVERIFY(std::equal(expected.begin(), expected.end(), block.begin()));
    }

    void scalesLargePicturesToFit_data() {
        QTest::addColumn<QSize>("input");
        QTest::addColumn<QSize>("stored");
        QTest::newRow("too wide") << QSize(2560, 1024) << QSize(1280, 512);
        QTest::newRow("too tall") << QSize(1400, 1400) << QSize(1024, 1024);
        QTest::newRow("thin strip") << QSize(5000, 3) << QSize(1280, 1);
    }
    void scalesLargePicturesToFit() {
        QFETCH(QSize, input);
        QFETCH(QSize, stored);
        QImage picture(input, QImage::Format_RGB32);
        picture.fill(qRgb(10, 20, 30));
        auto block = blockHolding();
        QVERIFY(viewer::storePicture(block, picture));
        const auto header = viewer::readHeader(block);
        QCOMPARE(QSize(header.width, header.height), stored);
        const std::uint8_t* last =
            block.data() + kFrameHeaderBytes + rowStride(header.width) * (header.height - 1);
        QCOMPARE(qRgb(last[2], last[1], last[0]), qRgb(10, 20, 30));
    }

    void printPicture_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("printHeight");
        QTest::newRow("640x480 as is") << QSize(640, 480) << 480;
        QTest::newRow("1280x1024 without 32 rows each end") << QSize(1280, 1024) << 960;
        QTest::newRow("799x600 stretched, rows padded") << QSize(799, 600) << 960;
    }
    void printPicture() {
        QFETCH(QSize, picture);
        QFETCH(int, printHeight);
        const int width = picture.width();
        const auto frame = blockHolding(test::taggedFrame(width, picture.height()));
        CPackedDib dib;
        QVERIFY(dib.Attach(viewer::makePrintBlock(frame)));
        QCOMPARE(QSize(dib.Width(), dib.Height()), QSize(width, printHeight));
        QCOMPARE(std::size_t(dib.Block().size()),
                 kFrameHeaderBytes + rowStride(width) * printHeight);
        const int firstRow = printHeight == 480 ? 0 : 32;
        if (picture.height() - 2 * firstRow == printHeight) {
            QVERIFY(std::memcmp(dib.Block().constData() + kFrameHeaderBytes,
                                frame.data() + kFrameHeaderBytes + rowStride(width) * firstRow,
                                rowStride(width) * printHeight) == 0);
        } else {
            const QImage image = dib.ToImage();
            QVERIFY(qAbs(test::sourceOf(image.pixel(400, 0)).y() - 32) <= 1);
            QVERIFY(qAbs(test::sourceOf(image.pixel(400, printHeight - 1)).y() - 567) <= 1);
        }
    }

    void packedDibReadsPalettes() {
        CPackedDib dib;
        dib.SetCaption("kept");
        // 8 bits with two colours named: only those two, even though the block holds more.
        QByteArray eight(40 + 3 * 4, '\0');
        qToLittleEndian<std::uint32_t>(40, eight.data());
        qToLittleEndian<std::int32_t>(33, eight.data() + 4);
        qToLittleEndian<std::uint16_t>(8, eight.data() + 14);
        qToLittleEndian<std::uint32_t>(2, eight.data() + 32);
        eight[40] = 1;
        eight[46] = 9;
        QVERIFY(dib.Attach(eight));
        QCOMPARE(dib.Width(), 33);
        QCOMPARE(dib.Palette(), (QList<QRgb>{qRgb(0, 0, 1), qRgb(9, 0, 0)}));
        QCOMPARE(dib.Caption(), QString("kept"));
        // A named count larger than the block is cut to what is there.
        qToLittleEndian<std::uint32_t>(1000, eight.data() + 32);
        QVERIFY(dib.Attach(eight));
        QCOMPARE(dib.Palette().size(), 3);
        QVERIFY(!dib.Attach(QByteArray(20, '\0')));
        QVERIFY(dib.IsEmpty());
    }
};

QTEST_GUILESS_MAIN(PictureStoreTest)
#include "picture_store_test.moc"
