#include "controls/control_panel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include "capture/capture_naming.h"
#include "capture/dib.h"
#include "config/config.h"
#include "controls/panel_host.h"
#include "controls/resource_access.h"
#include "controls/skin_button.h"
#include "controls/wait_cursor.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kCaptureIdLength = 10;

}  // namespace

CControlPanel::CControlPanel(CPanelHost& host, const CConfig& config, QWidget* parent)
    : CSkinDialog(parent), host_(host), config_(config) {
    // A child of the view, not a window of its own.
    setWindowFlags(Qt::Widget);
    viewer::SetControlId(this, res::kControlPanelDialog);
    resize(130, 400);
    SetBackground(res::kPanelBackgroundBitmap, CSkinDialog::kTile);

    idEdit_ = new QLineEdit(this);
    viewer::SetControlId(idEdit_, res::kIdEdit);
    idEdit_->setMaxLength(kCaptureIdLength);
    idEdit_->setGeometry(7, 10, 85, 18);

    addButton(res::kIdButton, "ID", {93, 10}, res::kIdBitmaps.normal, res::kIdBitmaps.hover,
              res::kIdBitmaps.disabled);

    radio640_ = new QRadioButton(QStringLiteral("640X480"), this);
    viewer::SetControlId(radio640_, res::kRadio640);
    radio640_->setGeometry(35, 37, 90, 18);
    radio640_->setChecked(true);
    radio1280_ = new QRadioButton(QStringLiteral("1280X960"), this);
    viewer::SetControlId(radio1280_, res::kRadio1280);
    radio1280_->setGeometry(35, 57, 90, 18);
    // Commands follow clicks only: a programmatic check is no request to switch.
    connect(radio640_, &QRadioButton::clicked, this, [this] {
        resolutionChoice_ = 0;
        host_.SetResolutionMode(0);
    });
    connect(radio1280_, &QRadioButton::clicked, this, [this] {
        resolutionChoice_ = 1;
        host_.SetResolutionMode(1);
    });

    using namespace res;
    auto* fullScreen =
        addButton(kFullScreenButton, "FullScreen", {41, 72}, kFullScreenBitmaps.normal,
                  kFullScreenBitmaps.hover, kFullScreenBitmaps.disabled);
    capture_ = addButton(kCaptureButton, "Capture", {41, 122}, kCaptureBitmaps.normal,
                         kCaptureBitmaps.hover, kCaptureBitmaps.disabled);
    freeze_ = addButton(kFreezeButton, "Freeze", {41, 172}, kFreezeBitmaps.normal,
                        kFreezeBitmaps.hover, kFreezeBitmaps.disabled);
    preview_ = addButton(kPreviewButton, "Preview", {41, 172}, kPreviewBitmaps.normal,
                         kPreviewBitmaps.hover, kPreviewBitmaps.disabled);
    auto* setting = addButton(kSettingButton, "Setting", {41, 222}, kSettingBitmaps.normal,
                              kSettingBitmaps.hover, kSettingBitmaps.disabled);
    print_ = addButton(kPrintButton, "Print", {41, 272}, kPrintBitmaps.normal, kPrintBitmaps.hover,
                       kPrintBitmaps.disabled);
    layoutButtons_ = {
        addButton(kLayout1Button, "1", {21, 322}, kLayout1Bitmaps.normal, kLayout1Bitmaps.hover,
                  kLayout1Bitmaps.disabled),
        addButton(kLayout2Button, "2", {66, 322}, kLayout2Bitmaps.normal, kLayout2Bitmaps.hover,
                  kLayout2Bitmaps.disabled),
        addButton(kLayout2HalfButton, "2'", {21, 358}, kLayout2HalfBitmaps.normal,
                  kLayout2HalfBitmaps.hover, kLayout2HalfBitmaps.disabled),
        addButton(kLayout4Button, "4", {66, 358}, kLayout4Bitmaps.normal, kLayout4Bitmaps.hover,
                  kLayout4Bitmaps.disabled),
    };

    connect(findChild<CSkinButton*>(QStringLiteral("ID_%1").arg(kIdButton)), &CSkinButton::clicked,
            this, &CControlPanel::onIdCommand);
    connect(fullScreen, &CSkinButton::clicked, this,
            [this] { host_.SetScreenLayout(CPanelHost::kFullScreenLayout); });
    connect(capture_, &CSkinButton::clicked, this, [this] { host_.CaptureCommand(); });
    connect(freeze_, &CSkinButton::clicked, this, [this] {
        const viewer::WaitCursor wait;
        host_.SetFreeze(true);
        AfterFreezeUpdate();
    });
    connect(preview_, &CSkinButton::clicked, this, [this] {
        const viewer::WaitCursor wait;
        host_.SetFreeze(false);
        AfterResumeUpdate();
        UpdateCaptureLock(false);
    });
    connect(setting, &CSkinButton::clicked, this, &CControlPanel::onSetting);
    connect(print_, &CSkinButton::clicked, this, [this] { host_.PrintCommand(); });
    for (int layout = 0; layout < 4; ++layout) {
        connect(layoutButtons_[static_cast<std::size_t>(layout)], &CSkinButton::clicked, this,
                [this, layout] { selectLayout(layout); });
    }

    preview_->hide();
    print_->setEnabled(false);
    layoutButtons_[0]->setEnabled(false);
}

CSkinButton* CControlPanel::addButton(int id, const char* caption, QPoint at, int normal, int hover,
                                      int disabled) {
    auto* button = new CSkinButton(id, QString::fromLatin1(caption), this);
    button->move(at);
    button->SetBitmaps(viewer::BitmapResource(normal), viewer::BitmapResource(hover),
                       viewer::BitmapResource(disabled));
    return button;
}

void CControlPanel::selectLayout(int layout) {
    for (int i = 0; i < 4; ++i) {
        layoutButtons_[static_cast<std::size_t>(i)]->setEnabled(i != layout);
    }
    host_.SetScreenLayout(layout);
}

void CControlPanel::UpdateFromViewState(bool printAllowed, bool live, bool captureLocked) {
    print_->setEnabled(printAllowed);
    preview_->setVisible(!live);
    freeze_->setVisible(live);
    preview_->ReevaluateHover();
    freeze_->ReevaluateHover();
    UpdateCaptureLock(captureLocked);
}

void CControlPanel::UpdateCaptureLock(bool locked) {
    capture_->setEnabled(!locked);
    radio640_->setEnabled(!locked);
    radio1280_->setEnabled(!locked);
}

void CControlPanel::swapFreezePreview(bool live) {
    freeze_->setVisible(live);
    preview_->setVisible(!live);
    freeze_->ReevaluateHover();
    preview_->ReevaluateHover();
    host_.UpdatePanelState(false);
}

void CControlPanel::AfterFreezeUpdate() {
    swapFreezePreview(false);
}

void CControlPanel::AfterResumeUpdate() {
    swapFreezePreview(true);
}

QString CControlPanel::SaveFolder() const {
    QString folder = config_.GetGalleryFolder() + QLatin1Char('/');
    // The ID's folder is made from the trimmed ID, so captures go there too.
    const QString id = viewer::TrimSpaces(captureId_);
    if (!id.isEmpty()) {
        folder += id + QLatin1Char('/');
    }
    return folder;
}

void CControlPanel::ClearCaptureId() {
    captureId_.clear();
    idEdit_->clear();
    idEdit_->setFocus();
}

bool CControlPanel::PrintEnabled() const {
    return print_->isEnabled();
}

void CControlPanel::exchangeFromControls() {
    captureId_ = idEdit_->text();
    resolutionChoice_ = radio1280_->isChecked() ? 1 : 0;
}

void CControlPanel::onIdCommand() {
    exchangeFromControls();
    const QString id = captureId_;
    host_.ApplyCaptureId(id);
}

void CControlPanel::onSetting() {
    const std::optional<bool> galleryChanged = host_.RunSettingDialog();
    if (!galleryChanged) {
        return;
    }
    if (*galleryChanged) {
        captureId_.clear();
        idEdit_->clear();
    }
    host_.InvalidateView();
    host_.RefreshGallery(captureId_);
    host_.ReloadBackgroundSkin();
    host_.ReloadLogo();
}

void CControlPanel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (focusWidget() == idEdit_) {
                onIdCommand();
            }
            event->accept();
            return;
        case Qt::Key_Escape:
            OnCancel();
            event->accept();
            return;
        default:
            CSkinDialog::keyPressEvent(event);
    }
}

void CControlPanel::OnCancel() {
    if (host_.ScreenLayout() == CPanelHost::kFullScreenLayout) {
        host_.LeaveFullScreen();
    }
}
