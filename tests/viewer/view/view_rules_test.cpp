// The main view's rules without a display: frame skips, layout changes, the 500 ms tick, the logo
// box and the camera-missing wording.
#include <QTest>

#include "view/device_message.h"
#include "view/view_geometry.h"
#include "view/view_state.h"

Q_DECLARE_METATYPE(viewer::WindowsVersionRecord)

using viewer::FrameSkip;
using viewer::TickInput;
using viewer::ViewState;

namespace {

// Frames dropped before the first one shown.
int dropped(FrameSkip& skip, int resolutionMode) {
    int count = 0;
    while (!skip.Pass(resolutionMode)) {
        if (++count > 100) {
            break;
        }
    }
    return count;
}

TickInput live(int mode = 1) {
    return {true, mode, 7, QSize(1280, 1024)};
}

}  // namespace

class ViewRulesTest : public QObject {
    Q_OBJECT

private slots:
    void skipsFramesAfterEachRequest_data() {
        QTest::addColumn<int>("resolutionMode");
        QTest::addColumn<bool>("shortSkipUsedUp");
        QTest::addColumn<int>("expected");
        QTest::newRow("640, short skip pending") << 0 << false << 3;
        QTest::newRow("640, short skip used up") << 0 << true << 10;
        QTest::newRow("1280, always short") << 1 << true << 3;
    }
    void skipsFramesAfterEachRequest() {
        QFETCH(int, resolutionMode);
        QFETCH(bool, shortSkipUsedUp);
        QFETCH(int, expected);
        FrameSkip skip;
        QVERIFY(skip.Pass(resolutionMode));  // nothing requested: every frame shows
        if (shortSkipUsedUp) {
            skip.Request();
            dropped(skip, 0);
            QVERIFY(!skip.ShortSkip());
        }
        skip.Request();
        QCOMPARE(dropped(skip, resolutionMode), expected);
        QVERIFY(skip.Pass(resolutionMode));
    }

    void requestDuringASkipDoesNotRestartIt() {
        FrameSkip skip;
        skip.Request();
        QVERIFY(!skip.Pass(0));
        skip.Request();
        QCOMPARE(dropped(skip, 0), 2);
    }

    void startUpShowsTheFourthFrameAfterTheFirstTick() {
        ViewState state;
        const auto mode = [] { return 1; };
        QVERIFY(!state.OnFrame(false, mode));  // no pane is live before the first tick
        const auto actions = state.OnTick(live());
        QVERIFY(actions.mirrorLive && actions.modeChanged && actions.recentre);
        QVERIFY(!actions.mirrorFrozen && !actions.cameraMissing);
        int shownAt = 0;
        while (!state.OnFrame(true, mode)) {
            ++shownAt;
        }
        QCOMPARE(shownAt, 3);
        // A mode change seen first by a frame asks for a skip; the tick still sees the change.
        QVERIFY(!state.OnFrame(true, [] { return 2; }));
        QVERIFY(state.OnTick(live(2)).modeChanged);
    }

    void tickMirrorsTheCameraUnlessAStoredImageIsShown() {
        ViewState state;
        state.OnTick(live());
        TickInput frozen = live();
        frozen.cameraState = 6;
        auto actions = state.OnTick(frozen);
        QVERIFY(actions.mirrorFrozen && !actions.mirrorLive && !actions.modeChanged);
        QVERIFY(state.Skip().Requested());
        QVERIFY(state.OnTick(live()).mirrorLive);

        state.SetStoredImageShown(true);
        actions = state.OnTick(frozen);
        QVERIFY(!actions.mirrorFrozen && !actions.mirrorLive);

        TickInput missing;
        actions = state.OnTick(missing);
        QVERIFY(actions.cameraMissing && !actions.modeChanged && !actions.recentre);

        QVERIFY(state.SetResolutionMode(1));
        QVERIFY(!state.SetResolutionMode(1));
        QVERIFY(state.OnTick(frozen).modeChanged);
    }

    void frozenPictureMovesIntoPaneZero() {
        ViewState state;
        QVERIFY(state.SetScreenLayout(3, true));
        state.OnPaneClick(2, true);  // pane 2 becomes the live one
        QCOMPARE(state.ActivePane(), 2);
        const auto change = state.SetScreenLayout(1, false);  // frozen, then "2"
        QVERIFY(change);
        QCOMPARE(change->active, 0);
        QVERIFY(!change->activeLive);
        QCOMPARE(change->pictureFrom, std::optional<int>(2));
        QCOMPARE(change->cleared, std::vector<int>{1});
        QCOMPARE(change->notLive, std::vector<int>{2});
        QCOMPARE(change->scrollSize, QSize(10, 10));
        QVERIFY(!state.SetScreenLayout(1, false));  // already there
        QCOMPARE(state.SetScreenLayout(2, true)->scrollSize, QSize(640, 10));
    }

    void fullScreenAndBack() {
        ViewState state;
        state.SetScreenLayout(3, true);
        state.OnPaneClick(3, true);
        QVERIFY(!state.LeaveFullScreen(true));  // not in full screen
        const auto in = state.SetScreenLayout(4, true);
        QVERIFY(in && in->fullScreen);
        QCOMPARE(in->active, 4);
        QVERIFY(in->activeLive && !in->pictureFrom);
        QVERIFY(in->cleared.empty());
        const auto out = state.LeaveFullScreen(true);
        QVERIFY(out && !out->fullScreen);
        QCOMPARE(out->active, 3);
        QVERIFY(out->activeLive);
        QCOMPARE(out->pictureFrom, std::optional<int>(4));
        QCOMPARE(out->placements, viewer::PanePlacementsOf(3));
        QCOMPARE(state.Layout(), 3);
    }

    void paneClicks() {
        ViewState state;
        auto click = state.OnPaneClick(0, false);  // the live active pane freezes
        QVERIFY(!click.previousActive && click.freezeCamera && !click.unlockCapture);
        click = state.OnPaneClick(0, true);  // and resumes, after a skip
        QVERIFY(!click.freezeCamera && click.unlockCapture && state.Skip().Requested());
        state.SetStoredImageShown(true);
        click = state.OnPaneClick(1, true);
        QCOMPARE(click.previousActive, std::optional<int>(0));
        QVERIFY(!state.StoredImageShown());
    }

    void logoBox_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::newRow("wide") << QSize(300, 100) << QSize(150, 50);
        QTest::newRow("tall") << QSize(100, 300) << QSize(40, 120);
        QTest::newRow("square") << QSize(64, 64) << QSize(120, 120);
        QTest::newRow("built-in") << QSize(150, 87) << QSize(150, 87);
        QTest::newRow("truncating") << QSize(7, 3) << QSize(150, 64);
    }
    void logoBox() {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QCOMPARE(viewer::LogoBox(QPoint(70, 23), picture), QRect(QPoint(70, 23), box));
    }

    void windowsVersionAndMessage_data() {
        QTest::addColumn<viewer::WindowsVersionRecord>("version");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("suffix");
        using V = viewer::WindowsVersionRecord;
        QTest::newRow("query fails") << V{false, 2, 6, 1, true, true} << 1 << "";
        QTest::newRow("not NT") << V{true, 1, 6, 1, true, true} << -1 << "";
        QTest::newRow("NT 4") << V{true, 2, 4, 0, true, false} << -1 << "";
        QTest::newRow("5.0") << V{true, 2, 5, 0, true, false} << 0 << "";
        QTest::newRow("5.1") << V{true, 2, 5, 1, true, false} << 1 << "";
        QTest::newRow("5.2 ws x64") << V{true, 2, 5, 2, true, true} << 1 << "";
        QTest::newRow("5.2 server") << V{true, 2, 5, 2, false, true} << 0 << "";
        QTest::newRow("6.0 ws x64") << V{true, 2, 6, 0, true, true} << 4 << "";
        QTest::newRow("6.0 ws x86") << V{true, 2, 6, 0, true, false} << 2 << "";
        QTest::newRow("6.1 ws x64") << V{true, 2, 6, 1, true, true} << 5 << "-W7";
        QTest::newRow("6.1 ws x86") << V{true, 2, 6, 1, true, false} << 3 << "-W7";
        QTest::newRow("6.2 ws") << V{true, 2, 6, 2, true, false} << 6 << "-W8";
        QTest::newRow("6.1 server") << V{true, 2, 6, 1, false, true} << 0 << "";
        QTest::newRow("6.3") << V{true, 2, 6, 3, true, true} << 0 << "";
        QTest::newRow("10.0") << V{true, 2, 10, 0, true, true} << 0 << "";
        QTest::newRow("this system") << viewer::CurrentWindowsVersion() << -1 << "";
    }
    void windowsVersionAndMessage() {
        QFETCH(viewer::WindowsVersionRecord, version);
        QFETCH(int, code);
        QFETCH(QString, suffix);
        QCOMPARE(viewer::ClassifyWindowsVersion(version), code);
        QCOMPARE(viewer::DeviceMissingMessage(code),
                 "Can not find e-Nodra USB 2.0" + suffix + "\n\nProgram is terminated.");
    }
};

QTEST_GUILESS_MAIN(ViewRulesTest)
#include "view_rules_test.moc"
