// The real main frame on a virtual camera, driven through its widgets as a person would.
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "app/main_frame.h"
#include "app/single_instance.h"
#include "camera/camera_controller.h"
#include "camera/frame_event.h"
#include "capture/frame_picture.h"
#include "config/config.h"
#include "controls/control_panel.h"
#include "controls/message_box.h"
#include "controls/mode_changed_event.h"
#include "controls/skin_button.h"
#include "gallery/disp_view.h"
#include "library_waits.h"
#include "picture_tags.h"
#include "resources/resource_ids.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"
#include "view/main_view.h"
#include "viewer_fixture.h"

namespace {

using viewer::test::kWait;
using viewer::test::Viewer;

std::optional<std::uint32_t> topTag(std::span<const std::uint8_t> picture) {
    return viewer::test::tagsOfPicture(picture).top;
}

// What became of each frame event: was the active pane live, and did it show the frame?
struct FrameFate {
    bool live = false;
    bool shown = false;
    int width = 0;
};

// Sees every frame event before the view, lets the view handle it, and notes the outcome.
class FrameLog : public QObject {
public:
    explicit FrameLog(CNKestrumViewerView* view) : view_(view) { view->installEventFilter(this); }

    std::vector<FrameFate> fates;

    // Frames dropped by the live pane from `from` on, before the first one shown; nullopt while
    // none has been shown yet.
    std::optional<int> droppedBeforeShown(std::size_t from) const {
        int dropped = 0;
        for (std::size_t i = from; i < fates.size(); ++i) {
            if (fates[i].shown) {
                return dropped;
            }
            dropped += fates[i].live ? 1 : 0;
        }
        return std::nullopt;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != view_ || e->type() != CFrameEvent::kType) {
            return false;
        }
        const auto* frame = static_cast<CFrameEvent*>(e);
        const std::span picture(frame->picture(), frame->size());
        const auto tag = topTag(picture);
        CDispView* pane = view_->Pane(view_->ActivePane());
        FrameFate fate{pane->IsLive(), false, viewer::readHeader(picture).width};
        static_cast<QObject*>(view_)->event(e);
        fate.shown = tag.has_value() && topTag(pane->FramePicture()) == tag &&
                     viewer::readHeader(pane->FramePicture()).width == fate.width;
        fates.push_back(fate);
        return true;
    }

private:
    CNKestrumViewerView* view_;
};

// A stand-in for the Camera Setting dialog that notes event 1125.
class ModeChangeListener : public QWidget {
public:
    std::vector<std::pair<int, int>> changes;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CModeChangedEvent::kType) {
            const auto* changed = static_cast<CModeChangedEvent*>(e);
            changes.emplace_back(changed->CameraMode(), changed->ResolutionMode());
            return true;
        }
        return QWidget::event(e);
    }
};

struct Placement {
    int pane;
    QRect rect;
};

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void framesAndPanelStartAsTheOperatorExpects() {
        Viewer v;
        QCOMPARE(v.frame->windowTitle(), QString("e-Nodra Viewer Ver3.0"));
        QCOMPARE(v.view->size(), QSize(1024, 768));
        QVERIFY(v.frame->menuWidget() == nullptr);
        QVERIFY(!(v.frame->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(v.frame->minimumSize(), v.frame->maximumSize());
        QCOMPARE(v.panel->geometry(), QRect(124, 159, 130, 400));
        QCOMPARE(v.view->GalleryList()->geometry(), QRect(QPoint(75, 590), QPoint(934, 724)));
        auto* basket = v.view->findChild<CSkinButton*>(QStringLiteral("ID_124"));
        QCOMPARE(basket->geometry(), QRect(24, 672, 50, 52));
        QCOMPARE(v.view->LogoRect(), QRect(70, 23, 150, 87));

        QVERIFY(v.button(res::kPreviewButton)->isHidden());
        QVERIFY(!v.button(res::kPrintButton)->isEnabled());
        QVERIFY(!v.button(res::kLayout1Button)->isEnabled());
        QVERIFY(v.button(res::kCaptureButton)->isEnabled());
        QCOMPARE(v.button(res::kCaptureButton)->toolTip(), QString("Capture"));
        QCOMPARE(v.button(res::kFreezeButton)->geometry(), QRect(41, 172, 50, 52));
        QCOMPARE(v.button(res::kLayout4Button)->geometry(), QRect(66, 358, 45, 36));
        QCOMPARE(v.button(res::kIdButton)->geometry(), QRect(93, 10, 32, 20));
        auto* edit = v.panel->findChild<QLineEdit*>(QStringLiteral("ID_1036"));
        QVERIFY(edit->text().isEmpty());
        QTest::keyClicks(edit, "ABCDEFGHIJK");
        QCOMPARE(edit->text(), QString("ABCDEFGHIJ"));
        QVERIFY(v.waitLive(0));
    }

    void layoutButtonsPlaceThePanes() {
        Viewer v;
        QVERIFY(v.waitLive(0));
        struct Row {
            int button;
            std::vector<Placement> visible;
        };
        const std::vector<Row> rows{
            {res::kLayout2Button, {{0, {254, 197, 320, 240}}, {1, {574, 197, 320, 240}}}},
            {res::kLayout2HalfButton, {{0, {254, 75, 320, 480}}, {1, {574, 75, 320, 480}}}},
            {res::kLayout4Button,
             {{0, {254, 75, 320, 240}},
              {1, {574, 75, 320, 240}},
              {2, {254, 315, 320, 240}},
              {3, {574, 315, 320, 240}}}},
            {res::kLayout1Button, {{0, {254, 75, 640, 480}}}},
        };
        const int layoutButtons[] = {res::kLayout1Button, res::kLayout2Button,
                                     res::kLayout2HalfButton, res::kLayout4Button};
        for (const Row& row : rows) {
            v.click(row.button);
            for (int pane = 0; pane < 5; ++pane) {
                const auto at = std::find_if(row.visible.begin(), row.visible.end(),
                                             [&](const Placement& p) { return p.pane == pane; });
                QCOMPARE(v.pane(pane)->isVisible(), at != row.visible.end());
                if (at != row.visible.end()) {
                    QCOMPARE(v.pane(pane)->geometry(), at->rect);
                }
            }
            for (int id : layoutButtons) {
                QCOMPARE(v.button(id)->isEnabled(), id != row.button);
            }
            QCOMPARE(v.view->ActivePane(), 0);
            QVERIFY(v.pane(0)->IsLive());
        }
    }

    void freezeAndPreviewSwapAndMoveTheFrozenPicture() {
        Viewer v;
        QVERIFY(v.waitLive(0));
        v.click(res::kLayout4Button);
        QTest::mouseClick(v.pane(2)->viewport(), Qt::LeftButton);  // a grey pane becomes live
        QCOMPARE(v.view->ActivePane(), 2);
        QVERIFY(!v.pane(0)->IsLive());
        QCOMPARE(v.pane(2)->FrameColor(), QColor(255, 100, 100));
        QCOMPARE(v.pane(0)->FrameColor(), QColor(160, 190, 255));
        QVERIFY(v.waitLive(2));

        v.click(res::kFreezeButton);
        QVERIFY(!v.pane(2)->IsLive());
        QVERIFY(v.button(res::kFreezeButton)->isHidden());
        QVERIFY(v.button(res::kPreviewButton)->isVisible());
        QVERIFY(v.button(res::kPrintButton)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(v.camera->status()[2], std::uint8_t{1}, kWait);
        const auto frozen = topTag(v.pane(2)->FramePicture());
        QVERIFY(frozen.has_value());

        v.click(res::kLayout2Button);
        QCOMPARE(v.view->ActivePane(), 0);
        QVERIFY(!v.pane(0)->IsLive());
        QCOMPARE(topTag(v.pane(0)->FramePicture()), frozen);
        QVERIFY(!v.pane(1)->HasPicture());
        QCOMPARE(v.pane(0)->FrameColor(), QColor(255, 100, 100));

        v.click(res::kPreviewButton);
        QVERIFY(v.pane(0)->IsLive());
        QVERIFY(v.button(res::kFreezeButton)->isVisible());
        QVERIFY(v.button(res::kPreviewButton)->isHidden());
        QVERIFY(!v.button(res::kPrintButton)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(v.camera->status()[2], std::uint8_t{0}, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(topTag(v.pane(0)->FramePicture()) != frozen, kWait);
    }

    void fullScreenInAndOut_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("Escape") << "escape";
        QTest::newRow("right click") << "right click";
        QTest::newRow("any key") << "key";
    }
    void fullScreenInAndOut() {
        QFETCH(QString, way);
        Viewer v;
        QVERIFY(v.waitLive(0));
        const QPoint position = v.frame->pos();
        v.click(res::kFullScreenButton);
        QCOMPARE(v.view->ScreenLayout(), 4);
        QVERIFY(v.pane(4)->isVisible() && !v.pane(0)->isVisible());
        QCOMPARE(v.pane(4)->geometry(), QRect(0, 0, 1024, 768));
        QVERIFY(v.panel->isHidden() && v.view->GalleryList()->isHidden());
        QVERIFY(v.frame->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(v.waitLive(4));

        if (way == "escape") {
            QTest::keyClick(v.pane(4), Qt::Key_Escape);
        } else if (way == "right click") {
            QTest::mouseClick(v.pane(4)->viewport(), Qt::RightButton);
        } else {
            QTest::keyClick(v.pane(4), Qt::Key_A);
        }
        QCOMPARE(v.view->ScreenLayout(), 0);
        QVERIFY(v.pane(0)->isVisible() && !v.pane(4)->isVisible());
        QVERIFY(v.pane(0)->IsLive());
        QVERIFY(v.panel->isVisible() && v.view->GalleryList()->isVisible());
        QVERIFY(!(v.frame->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(v.frame->pos(), position);
        // Keys in layouts 0 to 3 change nothing.
        QTest::keyClick(v.frame.get(), Qt::Key_Escape);
        QCOMPARE(v.view->ScreenLayout(), 0);
    }

    // The skip counts, read from the camera's frame tags of what was shown.
    void firstPicturesAfterStartResumeAndResolutionSwitch() {
        Viewer v;
        FrameLog log(v.view);
        QTRY_VERIFY_WITH_TIMEOUT(log.droppedBeforeShown(0).has_value(), kWait);
        QCOMPARE(*log.droppedBeforeShown(0), 3);

        v.click(res::kFreezeButton);
        v.click(res::kPreviewButton);
        const std::size_t resumed = log.fates.size();
        QTRY_VERIFY_WITH_TIMEOUT(log.droppedBeforeShown(resumed).has_value(), kWait);
        // Ten frames, or three once the tick has seen the camera live again.
        QVERIFY2(*log.droppedBeforeShown(resumed) >= 3 && *log.droppedBeforeShown(resumed) <= 10,
                 qPrintable(QString::number(*log.droppedBeforeShown(resumed))));

        auto* radio = v.panel->findChild<QRadioButton*>(QStringLiteral("ID_1033"));
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
        QCOMPARE(v.view->ResolutionMode(), 1);
        const std::size_t switched = log.fates.size();
        QTRY_VERIFY_WITH_TIMEOUT(log.droppedBeforeShown(switched).has_value(), kWait);
        QVERIFY(*log.droppedBeforeShown(switched) >= 3);
        for (std::size_t i = switched; i < log.fates.size(); ++i) {
            QVERIFY(!log.fates[i].shown || log.fates[i].width == 1280);
        }
        QCOMPARE(viewer::readHeader(v.pane(0)->FramePicture()).height, 1024);
    }

    void cameraSideFreezeAndModeChangeAreMirrored() {
        Viewer v;
        QVERIFY(v.waitLive(0));
        v.camera->command("freeze 1");
        QTRY_VERIFY_WITH_TIMEOUT(!v.pane(0)->IsLive(), kWait);
        QVERIFY(v.button(res::kPreviewButton)->isVisible());
        v.camera->command("freeze 0");
        QTRY_VERIFY_WITH_TIMEOUT(v.pane(0)->IsLive(), kWait);
        QVERIFY(v.button(res::kFreezeButton)->isVisible());

        ModeChangeListener dialog;
        viewer::OpenCameraSettingDialog() = &dialog;
        v.camera->command("mode 2");
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.changes.empty(), kWait);
        QCOMPARE(dialog.changes.front(), std::make_pair(2, 0));
        viewer::OpenCameraSettingDialog() = nullptr;
    }

    // Unplugged while a modal dialog is open: the message, then a clean close.
    void unplugShowsTheMessageAndCloses() {
        Viewer v;
        QVERIFY(v.waitLive(0));
        bool dialogReturned = false;
        QTimer::singleShot(0, v.frame.get(), [&] {
            QDialog dialog(v.frame.get());
            QTimer::singleShot(0, &dialog, [&] { v.camera->unplug(); });
            dialog.exec();
            dialogReturned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(dialogReturned, kWait);
        QCOMPARE(v.messages.size(), std::size_t{1});
        QCOMPARE(v.messages[0].text,
                 QString("Can not find e-Nodra USB 2.0\n\nProgram is terminated."));
        QCOMPARE(v.messages[0].caption, QString("e-NodraViewer ver3.0"));
        QCOMPARE(v.messages[0].icon, QMessageBox::Critical);
        QVERIFY(!v.frame->isVisible());
        QVERIFY(!v.view->HoldsCamera());
        QVERIFY(CCameraController::Current() == nullptr);
    }

    void secondCopyExitsWithoutOpeningTheCamera() {
        QTemporaryDir runtime;
        const viewer::SingleInstance first(runtime.path());
        QVERIFY(first.IsFirst());
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("QLV_CAMERA", "virtual");
        const QString socket = runtime.filePath("camera.sock");
        env.insert("QLV_VIRTUAL_CAMERA_CONTROL", socket);
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(runtime.path());
        second.start(QStringLiteral(VIEWER_PROGRAM), {});
        QVERIFY(second.waitForFinished(kWait));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!QFile::exists(socket));
        QVERIFY(!QFile::exists(runtime.filePath("config.ini")));
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
