// The skinned dialog: where its background picture lands in each mode, which children show the
// picture through them, and that Escape never closes an embedded one.
#include "controls/skin_dialog.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <memory>

namespace {

// 9001.bmp: 130 x 400, green, with 4 x 4 magenta squares in its top-left and bottom-right corners.
constexpr int kMarkedPicture = 9001;
constexpr int kMissingPicture = 9999;
const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kMagenta = qRgb(255, 0, 255);

using Points = QList<QPoint>;

std::unique_ptr<CSkinDialog> shownDialog(QSize size) {
    auto dialog = std::make_unique<CSkinDialog>();
    dialog->resize(size);
    dialog->show();
    return dialog;
}

}  // namespace

class SkinDialogTest : public QObject {
    Q_OBJECT

private slots:
    void backgroundLandsWhereTheModeSays_data() {
        QTest::addColumn<int>("resourceId");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Points>("magenta");
        QTest::addColumn<Points>("green");
        QTest::addColumn<Points>("windowColour");

        QTest::newRow("tile, drawn once")
            << kMarkedPicture << 0 << QSize(130, 400) << Points{{0, 0}, {3, 3}, {129, 399}}
            << Points{{4, 4}, {65, 200}, {125, 395}} << Points{};
        QTest::newRow("tile, drawn four times")
            << kMarkedPicture << 0 << QSize(260, 800)
            << Points{{0, 0},     {130, 0},   {0, 400},   {130, 400},
                      {129, 399}, {259, 399}, {129, 799}, {259, 799}}
            << Points{{4, 4}, {134, 404}, {125, 395}, {255, 795}} << Points{};
        QTest::newRow("unknown mode tiles, cut at the edge")
            << kMarkedPicture << 7 << QSize(200, 500) << Points{{0, 0}, {130, 0}, {130, 400}}
            << Points{{199, 499}, {129, 499}} << Points{};
        QTest::newRow("stretch") << kMarkedPicture << 1 << QSize(260, 800)
                                 << Points{{0, 0}, {7, 7}, {252, 792}, {259, 799}}
                                 << Points{{8, 8}, {130, 0}, {130, 400}, {251, 791}} << Points{};
        QTest::newRow("centre") << kMarkedPicture << 2 << QSize(260, 800)
                                << Points{{65, 200}, {194, 599}} << Points{{69, 204}, {190, 595}}
                                << Points{{0, 0}, {64, 200}, {65, 199}, {195, 599}, {194, 600}};
        QTest::newRow("centre, odd margins round down")
            << kMarkedPicture << 2 << QSize(133, 403) << Points{{1, 1}, {130, 400}} << Points{}
            << Points{{0, 0}, {131, 401}, {132, 402}};
        QTest::newRow("no picture") << kMissingPicture << 0 << QSize(130, 400) << Points{}
                                    << Points{} << Points{{0, 0}, {65, 200}, {129, 399}};
    }
    void backgroundLandsWhereTheModeSays() {
        QFETCH(int, resourceId);
        QFETCH(int, mode);
        QFETCH(QSize, size);
        QFETCH(Points, magenta);
        QFETCH(Points, green);
        QFETCH(Points, windowColour);

        auto dialog = shownDialog(size);
        QCOMPARE(dialog->SetBackground(resourceId, mode), resourceId != kMissingPicture);
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QImage shown = dialog->grab().toImage();
        QCOMPARE(shown.size(), size);
        const QRgb window = dialog->palette().color(QPalette::Window).rgb();
        const auto check = [&](const Points& points, QRgb expected) {
            for (const QPoint& point : points) {
                QVERIFY2(shown.pixel(point) == expected,
                         qPrintable(QStringLiteral("(%1, %2) is %3, expected %4")
                                        .arg(point.x())
                                        .arg(point.y())
                                        .arg(shown.pixel(point), 8, 16)
                                        .arg(expected, 8, 16)));
            }
        };
        check(magenta, kMagenta);
        check(green, kGreen);
        check(windowColour, window);
    }

    // Labels show the picture through them even when made opaque; sliders keep a background of
    // their own, whether they existed before the picture or arrived after the dialog was shown.
    void labelsShowThePictureWhileSlidersKeepTheirBackground_data() {
        QTest::addColumn<bool>("addedAfterShow");
        QTest::newRow("children before the picture") << false;
        QTest::newRow("children added to the shown dialog") << true;
    }
    void labelsShowThePictureWhileSlidersKeepTheirBackground() {
        QFETCH(bool, addedAfterShow);

        CSkinDialog dialog;
        dialog.resize(130, 400);
        const auto addChildren = [&dialog] {
            auto* label = new QLabel(&dialog);
            label->setAutoFillBackground(true);
            label->setGeometry(10, 10, 100, 30);
            auto* slider = new QSlider(Qt::Horizontal, &dialog);
            slider->setGeometry(10, 100, 100, 40);
            label->show();
            slider->show();
        };
        if (!addedAfterShow) {
            addChildren();
        }
        QVERIFY(dialog.SetBackground(kMarkedPicture, 0));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (addedAfterShow) {
            addChildren();
        }

        const QImage shown = dialog.grab().toImage();
        QCOMPARE(shown.pixel(60, 25), kGreen);
        QCOMPARE(shown.pixel(11, 101), dialog.palette().color(QPalette::Window).rgb());
    }

    void escapeClosesOnlyATopLevelDialog_data() {
        QTest::addColumn<bool>("embedded");
        QTest::newRow("top level") << false;
        QTest::newRow("embedded") << true;
    }
    void escapeClosesOnlyATopLevelDialog() {
        QFETCH(bool, embedded);

        QWidget host;
        host.resize(300, 500);
        CSkinDialog dialog(embedded ? &host : nullptr);
        if (embedded) {
            dialog.setWindowFlags(Qt::Widget);
        }
        QVERIFY(dialog.SetBackground(kMarkedPicture, 0));
        host.show();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.window()));
        QSignalSpy rejected(&dialog, &QDialog::rejected);

        QTest::keyClick(&dialog, Qt::Key_Escape);

        QCOMPARE(rejected.count(), embedded ? 0 : 1);
        QCOMPARE(dialog.isVisible(), embedded);
    }
};

QTEST_MAIN(SkinDialogTest)
#include "skin_dialog_test.moc"
