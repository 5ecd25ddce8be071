// The control panel against a recording host: what each command asks of the main view.
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <vector>

#include "config/config.h"
#include "controls/control_panel.h"
#include "controls/panel_host.h"
#include "controls/skin_button.h"
#include "resources/resource_ids.h"

Q_DECLARE_METATYPE(std::optional<bool>)

namespace {

class RecordingHost : public CPanelHost {
public:
    std::vector<QString> calls;
    int layout = 0;
    std::optional<bool> settingResult;

    bool CaptureCommand() override { return note("capture"), true; }
    void SetFreeze(bool freeze) override { note(freeze ? "freeze" : "resume"); }
    void SetScreenLayout(int l) override { layout = l, note("layout " + QString::number(l)); }
    int ScreenLayout() const override { return layout; }
    void LeaveFullScreen() override { note("leave full screen"); }
    void SetResolutionMode(int mode) override { note("resolution " + QString::number(mode)); }
    bool ApplyCaptureId(const QString& id) override { return note("apply '" + id + "'"), true; }
    void UpdatePanelState(bool) override {}
    void PrintCommand() override { note("print"); }
    std::optional<bool> RunSettingDialog() override { return note("setting"), settingResult; }
    void RefreshGallery(const QString& id) override { note("refresh '" + id + "'"); }
    void ReloadBackgroundSkin() override { note("skin"); }
    void ReloadLogo() override { note("logo"); }
    void InvalidateView() override { note("invalidate"); }

private:
    void note(const QString& call) { calls.push_back(call); }
};

using Calls = std::vector<QString>;

}  // namespace

class ControlPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        host_ = RecordingHost();
        config_.emplace(folder_.path(), folder_.path());
        panel_.emplace(host_, *config_, nullptr);
        panel_->show();
        panel_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&*panel_));
        edit_ = panel_->findChild<QLineEdit*>(QStringLiteral("ID_%1").arg(res::kIdEdit));
    }
    void cleanup() { panel_.reset(); }

    void captureIdChangesOnlyByIdButtonOrEnter() {
        QTest::keyClicks(edit_, "  lot7 ");
        QCOMPARE(panel_->CaptureId(), QString());
        click(res::kIdButton);
        QCOMPARE(host_.calls, Calls{"apply '  lot7 '"});
        QCOMPARE(panel_->CaptureId(), QString("  lot7 "));
        // Captures go to the folder of the trimmed ID, the one the gallery lists.
        QCOMPARE(panel_->SaveFolder(), config_->GetGalleryFolder() + "/lot7/");

        edit_->setText("lot8");
        edit_->setFocus();
        QTest::keyClick(edit_, Qt::Key_Return);
        QCOMPARE(host_.calls.back(), QString("apply 'lot8'"));
        // Enter elsewhere is taken by the panel and does nothing.
        const auto before = host_.calls.size();
        button(res::kCaptureButton)->setFocus();
        QTest::keyClick(button(res::kCaptureButton), Qt::Key_Return);
        QCOMPARE(host_.calls.size(), before);
        QVERIFY(panel_->isVisible());

        panel_->ClearCaptureId();
        QVERIFY(panel_->CaptureId().isEmpty() && edit_->text().isEmpty());
        QCOMPARE(panel_->SaveFolder(), config_->GetGalleryFolder() + "/");
    }

    void escapeLeavesFullScreenOnly() {
        QTest::keyClick(edit_, Qt::Key_Escape);
        QVERIFY(host_.calls.empty());
        QVERIFY(panel_->isVisible());
        host_.layout = 4;
        QTest::keyClick(edit_, Qt::Key_Escape);
        QCOMPARE(host_.calls, Calls{"leave full screen"});
    }

    void settingResult_data() {
        QTest::addColumn<std::optional<bool>>("result");
        QTest::addColumn<Calls>("calls");
        QTest::addColumn<QString>("idAfter");
        QTest::newRow("cancelled")
            << std::optional<bool>() << Calls{"apply 'A1'", "setting"} << "A1";
        QTest::newRow("same gallery")
            << std::optional<bool>(false)
            << Calls{"apply 'A1'", "setting", "invalidate", "refresh 'A1'", "skin", "logo"} << "A1";
        QTest::newRow("gallery changed")
            << std::optional<bool>(true)
            << Calls{"apply 'A1'", "setting", "invalidate", "refresh ''", "skin", "logo"} << "";
    }
    void settingResult() {
        QFETCH(std::optional<bool>, result);
        QFETCH(Calls, calls);
        QFETCH(QString, idAfter);
        edit_->setText("A1");
        click(res::kIdButton);
        host_.settingResult = result;
        click(res::kSettingButton);
        QCOMPARE(host_.calls, calls);
        QCOMPARE(panel_->CaptureId(), idAfter);
        QCOMPARE(edit_->text(), idAfter);
    }

    void commandsReachTheView() {
        click(res::kLayout4Button);
        click(res::kLayout4Button);  // disabled now
        click(res::kFullScreenButton);
        click(res::kCaptureButton);
        click(res::kFreezeButton);
        click(res::kPreviewButton);
        QCOMPARE(host_.calls, (Calls{"layout 3", "layout 4", "capture", "freeze", "resume"}));
        panel_->UpdateCaptureLock(true);
        QVERIFY(!button(res::kCaptureButton)->isEnabled());
        panel_->UpdateFromViewState(true, false, false);
        QVERIFY(button(res::kPrintButton)->isEnabled() && button(res::kCaptureButton)->isEnabled());
        QVERIFY(button(res::kPreviewButton)->isVisible() && button(res::kFreezeButton)->isHidden());
    }

private:
    CSkinButton* button(int id) {
        return panel_->findChild<CSkinButton*>(QStringLiteral("ID_%1").arg(id));
    }
    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }

    QTemporaryDir folder_;
    RecordingHost host_;
    std::optional<CConfig> config_;
    std::optional<CControlPanel> panel_;
    QLineEdit* edit_ = nullptr;
};

QTEST_MAIN(ControlPanelTest)
#include "control_panel_test.moc"
