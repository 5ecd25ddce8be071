// The picture button as a user meets it: which picture shows as the pointer, the focus and the
// enabled state change, and which mouse gestures send its command.
#include "controls/skin_button.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QRgb kNormal = qRgb(200, 0, 0);
const QRgb kHover = qRgb(0, 200, 0);
const QRgb kDisabled = qRgb(0, 0, 200);
const QRgb kHostColour = qRgb(255, 255, 0);
const QPoint kButtonPlace(41, 72);
const QPoint kAway(190, 190);

QImage filled(QSize size, QRgb colour) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// A yellow window holding the button (50 x 52 red, green and blue pictures) and a line edit to
// take the focus away from it.
struct Panel {
    QWidget host;
    CSkinButton* button;
    QLineEdit* edit;

    Panel() {
        host.resize(200, 200);
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, kHostColour);
        host.setPalette(palette);
        host.setAutoFillBackground(true);
        button = new CSkinButton(1022, QStringLiteral("Capture"), &host);
        button->move(kButtonPlace);
        button->SetBitmaps(filled({50, 52}, kNormal), filled({50, 52}, kHover),
                           filled({50, 52}, kDisabled));
        edit = new QLineEdit(&host);
        edit->setGeometry(120, 10, 70, 20);
    }

    QPoint buttonCentre() const { return button->geometry().center(); }
    QRgb shownOnButton() const {
        const QImage shown = const_cast<QWidget&>(host).grab().toImage();
        const QRgb corner = shown.pixel(button->geometry().topLeft());
        return corner == shown.pixel(button->geometry().bottomRight()) ? corner : 0;
    }
};

// Shows the panel with the focus in the line edit.
bool showAndActivate(Panel& panel) {
    panel.host.show();
    panel.host.activateWindow();
    if (!QTest::qWaitForWindowActive(&panel.host)) {
        return false;
    }
    panel.edit->setFocus();
    return QTest::qWaitFor([&panel] { return panel.edit->hasFocus(); });
}

}  // namespace

class SkinButtonTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QTest::mouseMove(&hostForPointer(), kAway); }

    void pictureFollowsPointerFocusAndEnabledState_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QRgb>("shown");
        QTest::addColumn<bool>("hovered");

        QTest::newRow("pointer away") << QStringList{} << kNormal << false;
        QTest::newRow("pointer over") << QStringList{"over"} << kHover << true;
        QTest::newRow("pointer over, then away") << QStringList{"over", "away"} << kNormal << false;
        QTest::newRow("disabled while hovered")
            << QStringList{"over", "disable"} << kDisabled << true;
        QTest::newRow("enabled again under the pointer")
            << QStringList{"over", "disable", "enable"} << kHover << true;
        QTest::newRow("focus lost while hovered")
            << QStringList{"focus", "over", "focusElsewhere"} << kNormal << false;
        QTest::newRow("re-evaluated with the pointer still over it")
            << QStringList{"focus", "over", "focusElsewhere", "reevaluate"} << kHover << true;
        QTest::newRow("re-evaluated after the pointer left unseen")
            << QStringList{"over", "hide", "away", "show", "reevaluate"} << kNormal << false;
        QTest::newRow("no pictures shows the parent")
            << QStringList{"over", "clear"} << kHostColour << true;
    }
    void pictureFollowsPointerFocusAndEnabledState() {
        QFETCH(QStringList, steps);
        QFETCH(QRgb, shown);
        QFETCH(bool, hovered);

        Panel panel;
        QVERIFY(showAndActivate(panel));
        for (const QString& step : steps) {
            if (step == "over") {
                QTest::mouseMove(&panel.host, panel.buttonCentre());
            } else if (step == "away") {
                QTest::mouseMove(&panel.host, kAway);
            } else if (step == "disable" || step == "enable") {
                panel.button->setEnabled(step == "enable");
            } else if (step == "focus") {
                panel.button->setFocus();
                QTRY_VERIFY(panel.button->hasFocus());
            } else if (step == "focusElsewhere") {
                panel.edit->setFocus();
                QTRY_VERIFY(panel.edit->hasFocus());
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

    // Gestures go through the window, so Qt routes them as it routes the user's: the widget
    // pressed keeps the pointer until the release.
    void commandsFollowTheMouseGesture_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("commands");

        QTest::newRow("click") << QStringList{"press", "release"} << 1;
        QTest::newRow("press, drag off, release")
            << QStringList{"press", "moveOff", "releaseOff"} << 0;
        QTest::newRow("press, drag off and back, release")
            << QStringList{"press", "moveOff", "moveOn", "release"} << 1;
        QTest::newRow("double click") << QStringList{"doubleClick"} << 2;
        QTest::newRow("press elsewhere, release over the button")
            << QStringList{"pressOff", "moveOn", "release", "press", "release"} << 1;
    }
    void commandsFollowTheMouseGesture() {
        QFETCH(QStringList, steps);
        QFETCH(int, commands);

        Panel panel;
        QVERIFY(showAndActivate(panel));
        QWindow* window = panel.host.windowHandle();
        QSignalSpy clicked(panel.button, &QAbstractButton::clicked);
        const QPoint on = panel.buttonCentre();
        const QPoint off = on + QPoint(60, 0);
        for (const QString& step : steps) {
            const QPoint at = step.endsWith("Off") ? off : on;
            if (step.startsWith("press")) {
                QTest::mousePress(window, Qt::LeftButton, {}, at);
            } else if (step.startsWith("release")) {
                QTest::mouseRelease(window, Qt::LeftButton, {}, at);
            } else if (step.startsWith("move")) {
                QTest::mouseMove(window, at);
            } else if (step == "doubleClick") {
                QTest::mouseDClick(window, Qt::LeftButton, {}, at);
            }
        }
        QCOMPARE(clicked.count(), commands);
        QVERIFY(panel.button->hasFocus());
    }

    // While a press is held Qt delivers no leave: the button follows the pointer itself.
    void hoverFollowsThePointerDuringAPress() {
        Panel panel;
        QVERIFY(showAndActivate(panel));
        QWindow* window = panel.host.windowHandle();
        const QPoint on = panel.buttonCentre();
        QTest::mouseMove(&panel.host, on);  // moves the pointer itself, which brings the enter
        QTest::mousePress(window, Qt::LeftButton, {}, on);
        QVERIFY(panel.button->IsHovered());
        QTest::mouseMove(window, on + QPoint(60, 0));
        QVERIFY(!panel.button->IsHovered());
        QCOMPARE(panel.shownOnButton(), kNormal);
        QTest::mouseMove(window, on);
        QVERIFY(panel.button->IsHovered());
        QTest::mouseRelease(window, Qt::LeftButton, {}, on);
    }

    void takesTheNormalPicturesSizeWhereItStands() {
        Panel panel;
        QCOMPARE(panel.button->geometry(), QRect(kButtonPlace, QSize(50, 52)));
        panel.button->SetBitmaps(filled({45, 36}, kNormal), filled({50, 52}, kHover), {});
        QCOMPARE(panel.button->geometry(), QRect(kButtonPlace, QSize(45, 36)));
        panel.button->SetBitmaps({}, filled({50, 52}, kHover), {});
        QCOMPARE(panel.button->geometry(), QRect(kButtonPlace, QSize(45, 36)));
    }

private:
    // A shown window to park the pointer over between tests.
    QWidget& hostForPointer() {
        if (!m_pointerHost) {
            m_pointerHost = std::make_unique<QWidget>();
            m_pointerHost->resize(200, 200);
        }
        return *m_pointerHost;
    }
    std::unique_ptr<QWidget> m_pointerHost;
};

QTEST_MAIN(SkinButtonTest)
#include "skin_button_test.moc"
