// The skinned dialog: where its background lands in each mode, which children let it show through,
// and that Escape never closes an embedded one.
#include "controls/skin_dialog.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

namespace {

// 9001.bmp: 130 x 400, green, with 4 x 4 magenta squares in its top-left and bottom-right corners.
constexpr int kMarked = 9001;
constexpr int kMissing = 9999;
const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kMagenta = qRgb(255, 0, 255);
using Points = QList<QPoint>;

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
        QTest::addColumn<Points>("window");

        QTest::newRow("tile, once") << kMarked << 0 << QSize(130, 400) << Points{{0, 0}, {129, 399}}
                                    << Points{{4, 4}, {125, 395}} << Points{};
        QTest::newRow("tile, four times")
            << kMarked << 0 << QSize(260, 800)
            << Points{{0, 0}, {130, 0}, {0, 400}, {130, 400}, {129, 399}, {259, 799}}
            << Points{{4, 4}, {134, 404}, {255, 795}} << Points{};
        QTest::newRow("stretch") << kMarked << 1 << QSize(260, 800) << Points{{7, 7}, {252, 792}}
                                 << Points{{8, 8}, {130, 0}, {130, 400}, {251, 791}} << Points{};
        QTest::newRow("centre") << kMarked << 2 << QSize(260, 800) << Points{{65, 200}, {194, 599}}
                                << Points{{69, 204}} << Points{{64, 200}, {65, 199}, {195, 599}};
        QTest::newRow("centre, odd margins round down")
            << kMarked << 2 << QSize(133, 403) << Points{{1, 1}, {130, 400}} << Points{}
            << Points{{0, 0}, {131, 401}};
        QTest::newRow("no picture") << kMissing << 0 << QSize(130, 400) << Points{} << Points{}
                                    << Points{{0, 0}, {129, 399}};
    }
    void backgroundLandsWhereTheModeSays() {
        QFETCH(int, resourceId);
        QFETCH(int, mode);
        QFETCH(QSize, size);
        QFETCH(Points, magenta);
        QFETCH(Points, green);
        QFETCH(Points, window);

        CSkinDialog dialog;
        dialog.resize(size);
        QCOMPARE(dialog.SetBackground(resourceId, mode), resourceId != kMissing);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QImage shown = dialog.grab().toImage();
        const QRgb windowColour = dialog.palette().color(QPalette::Window).rgb();
        for (const auto& [points, colour] :
             {std::pair{&magenta, kMagenta}, {&green, kGreen}, {&window, windowColour}}) {
            for (const QPoint& point : *points) {
                QVERIFY2(shown.pixel(point) == colour,
                         qPrintable(QStringLiteral("(%1, %2) is not %3")
                                        .arg(point.x())
                                        .arg(point.y())
                                        .arg(colour, 0, 16)));
            }
        }
    }

    // An opaque label is made to show the picture; a slider keeps a background of its own.
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
            label->show();
            auto* slider = new QSlider(Qt::Horizontal, &dialog);
            slider->setGeometry(10, 100, 100, 40);
            slider->show();
        };
        if (!addedAfterShow) {
            addChildren();
        }
        QVERIFY(dialog.SetBackground(kMarked, 0));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (addedAfterShow) {
            addChildren();
        }
        const QImage shown = dialog.grab().toImage();
        QCOMPARE(shown.pixel(60, 25), kGreen);
        QCOMPARE(shown.pixel(11, 101), dialog.palette().color(QPalette::Window).rgb());
    }

    void escapeNeverClosesAnEmbeddedDialog() {
        QWidget host;
        CSkinDialog dialog(&host);
        dialog.setWindowFlags(Qt::Widget);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(rejected.count(), 0);
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(SkinDialogTest)
#include "skin_dialog_test.moc"
