// The picture button as a user meets it: which picture shows as the pointer, the focus and the
// enabled state change, and which mouse gestures send its command.
#include "controls/skin_button.h"
#include "resources/cursor_hot_spots.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QRgb kNormal = qRgb(200, 0, 0);
const QRgb kHover = qRgb(0, 200, 0);
const QRgb kDisabled = qRgb(0, 0, 200);
const QRgb kHostColour = qRgb(255, 255, 0);
const QPoint kButtonPlace(41, 72);

QImage filled(QSize size, QRgb colour) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// A shown, active yellow window holding the button (50 x 52, red, green and blue pictures) and
// a line edit that has the focus.
struct Panel {
    QWidget host;
    CSkinButton* button = new CSkinButton(1022, QStringLiteral("Capture"), &host);
    QLineEdit* edit = new QLineEdit(&host);
    QPoint on = kButtonPlace + QPoint(25, 26);
    QPoint off = on + QPoint(60, 0);

    Panel() {
        host.setGeometry(0, 0, 200, 200);
        host.setPalette(QPalette(kHostColour));
        host.setAutoFillBackground(true);
        button->move(kButtonPlace);
        button->SetBitmaps(filled({50, 52}, kNormal), filled({50, 52}, kHover),
                           filled({50, 52}, kDisabled));
        edit->setGeometry(120, 10, 70, 20);
    }
    bool show() {
        host.show();
        host.activateWindow();
        edit->setFocus();
        return QTest::qWaitForWindowActive(&host) &&
               QTest::qWaitFor([this] { return edit->hasFocus(); });
    }
    // The colour in the button's corners (0 when they differ).
    QRgb shownOnButton() {
        const QImage shown = host.grab().toImage();
        const QRgb corner = shown.pixel(button->geometry().topLeft());
        return corner == shown.pixel(button->geometry().bottomRight()) ? corner : 0;
    }
};

}  // namespace

class SkinButtonTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QCursor::setPos(700, 500); }

    void pictureFollowsPointerFocusAndEnabledState_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QRgb>("shown");
        QTest::addColumn<bool>("hovered");

        QTest::newRow("pointer away") << QStringList{} << kNormal << false;
        QTest::newRow("pointer over") << QStringList{"over"} << kHover << true;
        QTest::newRow("pointer over, then away") << QStringList{"over", "away"} << kNormal << false;
        QTest::newRow("disabled while hovered")
            << QStringList{"over", "disable"} << kDisabled << true;
        QTest::newRow("focus lost while hovered")
            << QStringList{"focus", "over", "focusElsewhere"} << kNormal << false;
        QTest::newRow("re-evaluated, pointer still over")
            << QStringList{"focus", "over", "focusElsewhere", "reevaluate"} << kHover << true;
        QTest::newRow("re-evaluated, pointer left while hidden")
            << QStringList{"over", "hide", "away", "show", "reevaluate"} << kNormal << false;
        QTest::newRow("no pictures") << QStringList{"over", "clear"} << kHostColour << true;
    }
    void pictureFollowsPointerFocusAndEnabledState() {
        QFETCH(QStringList, steps);
        QFETCH(QRgb, shown);
        QFETCH(bool, hovered);

        Panel panel;
        QVERIFY(panel.show());
        for (const QString& step : steps) {
            if (step == "over" || step == "away") {
                QTest::mouseMove(&panel.host, step == "over" ? panel.on : panel.off);
            } else if (step == "disable") {
                panel.button->setEnabled(false);
            } else if (step == "focus" || step == "focusElsewhere") {
                QWidget* target =
                    step == "focus" ? static_cast<QWidget*>(panel.button) : panel.edit;
                target->setFocus();
                QTRY_VERIFY(target->hasFocus());
            } else if (step == "hide" || step == "show") {
                panel.button->setVisible(step == "show");
            } else if (step == "reevaluate") {
                panel.button->ReevaluateHover();
            } else if (step == "clear") {
                panel.button->SetBitmaps({}, {}, {});
            }
        }
        QCOMPARE(panel.button->IsHovered(), hovered);
        QCOMPARE(panel.shownOnButton(), shown);
    }

    // Gestures go through the window, routed as the user's are: the widget pressed keeps the
    // pointer until the release, and Qt holds back its leave event until then.
    void commandsFollowTheMouseGesture_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("commands");

        QTest::newRow("click") << QStringList{"press", "release"} << 1;
        QTest::newRow("drag off") << QStringList{"press", "moveOff", "releaseOff"} << 0;
        QTest::newRow("drag off and back")
            << QStringList{"press", "moveOff", "moveOn", "release"} << 1;
        QTest::newRow("double click") << QStringList{"doubleClick"} << 2;
        QTest::newRow("stray release, then a click")
            << QStringList{"pressOff", "strayMoveOn", "release", "press", "release"} << 1;
    }
    void commandsFollowTheMouseGesture() {
        QFETCH(QStringList, steps);
        QFETCH(int, commands);

        Panel panel;
        QVERIFY(panel.show());
        QWindow* window = panel.host.windowHandle();
        QSignalSpy clicked(panel.button, &QAbstractButton::clicked);
        for (const QString& step : steps) {
            const QPoint at = step.endsWith("Off") ? panel.off : panel.on;
            if (step.startsWith("press")) {
                QTest::mousePress(window, Qt::LeftButton, {}, at);
            } else if (step.startsWith("release")) {
                QTest::mouseRelease(window, Qt::LeftButton, {}, at);
            } else if (step == "doubleClick") {
                QTest::mouseDClick(window, Qt::LeftButton, {}, at);
            } else {
                QTest::mouseMove(window, at);
                if (step.startsWith("move")) {  // the picture shows whether releasing would click
                    QCOMPARE(panel.button->IsHovered(), step == "moveOn");
                }
            }
        }
        QCOMPARE(clicked.count(), commands);
        QVERIFY(panel.button->hasFocus());
    }

    void takesTheNormalPicturesSizeWhereItStands() {
        Panel panel;
        QCOMPARE(panel.button->geometry(), QRect(kButtonPlace, QSize(50, 52)));
        panel.button->SetBitmaps(filled({45, 36}, kNormal), filled({50, 52}, kHover), {});
        QCOMPARE(panel.button->geometry(), QRect(kButtonPlace, QSize(45, 36)));
        panel.button->SetBitmaps({}, filled({50, 52}, kHover), {});
        QCOMPARE(panel.button->geometry(), QRect(kButtonPlace, QSize(45, 36)));
    }

    void showsTheProgramsCursorWithItsHotSpot() {
        const CSkinButton button(1031, QStringLiteral("FullScreen"));
        QCOMPARE(button.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(button.cursor().hotSpot(), res::kSkinButtonCursorHotSpot);
    }
};

QTEST_MAIN(SkinButtonTest)
#include "skin_button_test.moc"
