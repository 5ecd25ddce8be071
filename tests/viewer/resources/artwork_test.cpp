// The compiled-in artwork: every bitmap the viewer asks for by number loads through CDib at its
// size and depth, the button states differ the way a user sees them, and the cursor and icon
// are usable. This program links only viewer_resources for the pictures.
#include <QColor>
#include <QImage>
#include <QTest>

#include "capture/dib.h"
#include "resources/cursor_hot_spots.h"
#include "resources/resource_ids.h"

namespace {

struct NamedButton {
    const char* name;
    res::ButtonBitmaps bitmaps;
    QSize size;
};

const NamedButton kButtons[] = {
    {"Capture", res::kCaptureBitmaps, {50, 52}},  {"Freeze", res::kFreezeBitmaps, {50, 52}},
    {"Preview", res::kPreviewBitmaps, {50, 52}},  {"Setting", res::kSettingBitmaps, {50, 52}},
    {"Print", res::kPrintBitmaps, {50, 52}},      {"FullScreen", res::kFullScreenBitmaps, {50, 52}},
    {"Basket", res::kBasketBitmaps, {50, 52}},    {"Layout 1", res::kLayout1Bitmaps, {45, 36}},
    {"Layout 2", res::kLayout2Bitmaps, {45, 36}}, {"Layout 2'", res::kLayout2HalfBitmaps, {45, 36}},
    {"Layout 4", res::kLayout4Bitmaps, {45, 36}}, {"ID", res::kIdBitmaps, {32, 20}},
};

QImage bitmap(int number) {
    return QImage(CDib::BitmapResourcePath(number));
}

double meanLuminance(const QImage& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            sum += qGray(picture.pixel(x, y));
        }
    }
    return sum / (picture.width() * picture.height());
}

double meanSaturation(const QImage& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            sum += QColor(picture.pixel(x, y)).hsvSaturation();
        }
    }
    return sum / (picture.width() * picture.height());
}

}  // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private slots:
    void bitmapHasItsSizeAt24Bits_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QSize>("size");
        for (const NamedButton& button : kButtons) {
            const auto& [normal, hover, disabled] = button.bitmaps;
            for (const int number : {normal, hover, disabled}) {
                QTest::addRow("%s %d", button.name, number) << number << button.size;
            }
        }
        QTest::newRow("panel background") << res::kPanelBackgroundBitmap << QSize(130, 400);
        QTest::newRow("built-in logo") << res::kBuiltInLogoBitmap << QSize(150, 87);
    }
    void bitmapHasItsSizeAt24Bits() {
        QFETCH(int, number);
        QFETCH(QSize, size);
        CDib dib;
        QVERIFY(dib.LoadBitmapResource(number));
        QCOMPARE(QSize(dib.Width(), dib.Height()), size);
        QCOMPARE(dib.BitCount(), 24);
    }

    void buttonStatesReadApart_data() {
        QTest::addColumn<int>("normal");
        QTest::addColumn<int>("hover");
        QTest::addColumn<int>("disabled");
        for (const NamedButton& button : kButtons) {
            QTest::newRow(button.name)
                << button.bitmaps.normal << button.bitmaps.hover << button.bitmaps.disabled;
        }
    }
    void buttonStatesReadApart() {
        QFETCH(int, normal);
        QFETCH(int, hover);
        QFETCH(int, disabled);
        const QImage normalPicture = bitmap(normal);
        QVERIFY(meanLuminance(bitmap(hover)) > meanLuminance(normalPicture) + 8);
        // The ID button shows its normal picture when disabled.
        if (disabled != normal) {
            QVERIFY(meanSaturation(bitmap(disabled)) < meanSaturation(normalPicture) / 2);
        }
    }

    void cursorAndIconLoad() {
        const QImage cursor(QStringLiteral(":/cursor/%1.png").arg(res::kSkinButtonCursor));
        QCOMPARE(cursor.size(), QSize(32, 32));
        QVERIFY(cursor.hasAlphaChannel());
        // The hot spot must lie on the hand, or clicks land beside the fingertip.
        QVERIFY(qAlpha(cursor.pixel(res::kSkinButtonCursorHotSpot)) > 0);
        QCOMPARE(qAlpha(cursor.pixel(31, 31)), 0);

        const QImage icon(QStringLiteral(":/icon/%1.png").arg(res::kAppIcon));
        QCOMPARE(icon.size(), QSize(256, 256));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(128, 128)), 255);
    }
};

QTEST_GUILESS_MAIN(ArtworkTest)
#include "artwork_test.moc"
