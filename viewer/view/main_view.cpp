#include "view/main_view.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include "camera/camera_controller.h"
#include "camera/camera_settings.h"
#include "camera/frame_event.h"
#include "capture/dib.h"
#include "capture/frame_picture.h"
#include "config/color_ref.h"
#include "config/config.h"
#include "controls/control_panel.h"
#include "controls/message_box.h"
#include "controls/mode_changed_event.h"
#include "controls/resource_access.h"
#include "controls/skin_button.h"
#include "gallery/disp_view.h"
#include "gallery/gallery_list.h"
#include "gallery/pane_notify_event.h"
#include "resources/resource_ids.h"
#include "view/device_message.h"

namespace {

constexpr int kTickMs = 500;

}  // namespace

CNKestrumViewerView::CNKestrumViewerView(CConfig& config, QWidget* parent)
    : QWidget(parent), config_(config), backgroundColour_(config.GetBackgroundColour()) {
    setFixedSize(viewer::kViewSize);
    // The background is one composed picture; nothing shows through it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CNKestrumViewerView::~CNKestrumViewerView() {
    timer_.stop();
    ReleaseCamera();
}

void CNKestrumViewerView::OnInitialUpdate(std::unique_ptr<CCameraController> controller) {
    controller_ = std::move(controller);
    if (controller_) {
        controller_->SetReceiverView(this);
    }

    panel_ = new CControlPanel(*this, config_, this);
    panel_->setGeometry(viewer::kControlPanelRect);
    panel_->show();

    createGallery();

    for (int i = 0; i < viewer::kPaneCount; ++i) {
        auto* pane = new CDispView(this, res::kFirstPane + i);
        viewer::SetControlId(pane, res::kFirstPane + i);
        pane->InitFrame();
        pane->setVisible(i == 0);
        panes_[static_cast<std::size_t>(i)] = pane;
    }
    panes_[0]->setGeometry(viewer::PanePlacementsOf(0)[0].rect);
    // The gallery lists its folder once the panes exist to show its pictures.
    gallery_->ScanFolder();

    if (controller_) {
        settings_ = std::make_unique<CCameraSettings>(*controller_, config_,
                                                      [this] { return state_.ResolutionMode(); });
    }
    timer_.start(kTickMs, this);

    ReloadBackgroundSkin();
    ReloadLogo();

    basket_ = new CSkinButton(res::kBasketButton, QStringLiteral("Basket"), this);
    basket_->move(viewer::kBasketTopLeft);
    basket_->SetBitmaps(viewer::BitmapResource(res::kBasketBitmaps.normal),
                        viewer::BitmapResource(res::kBasketBitmaps.hover),
                        viewer::BitmapResource(res::kBasketBitmaps.disabled));
    connect(basket_, &CSkinButton::clicked, this, &CNKestrumViewerView::onBasket);
    basket_->show();

    applyStoredSettings();
}

CDispView* CNKestrumViewerView::Pane(int index) const {
    if (index < 0 || index >= viewer::kPaneCount) {
        return nullptr;
    }
    return panes_[static_cast<std::size_t>(index)];
}

void CNKestrumViewerView::ReleaseCamera() {
    if (!controller_) {
        return;
    }
    // An open Camera Setting dialog ends first, while it can still reach the camera.
    if (auto* dialog = qobject_cast<QDialog*>(viewer::OpenCameraSettingDialog())) {
        dialog->reject();
    }
    settings_.reset();
    controller_->Stop();
    controller_.reset();
}

bool CNKestrumViewerView::event(QEvent* event) {
    if (event->type() == CFrameEvent::kType) {
        onFrame(*static_cast<CFrameEvent*>(event));
        return true;
    }
    if (event->type() == CPaneNotifyEvent::kType) {
        onPaneNotify(*static_cast<CPaneNotifyEvent*>(event));
        return true;
    }
    return QWidget::event(event);
}

void CNKestrumViewerView::onFrame(const CFrameEvent& frame) {
    CDispView* pane = panes_[0] != nullptr ? activePane() : nullptr;
    if (pane == nullptr || !controller_) {
        return;
    }
    const bool show = state_.OnFrame(pane->IsLive(), [this] {
        std::int32_t mode = 0;
        controller_->CheckMode(&mode);
        return static_cast<int>(mode);
    });
    if (show) {
        pane->ShowFrame(frame.picture(), frame.size());
    }
}

void CNKestrumViewerView::onPaneNotify(const CPaneNotifyEvent& notify) {
    const int index = notify.ControlId() - res::kFirstPane;
    if (index < 0 || index >= viewer::kPaneCount) {
        return;
    }
    if (notify.Code() != CPaneNotifyEvent::kCodeLeftClick) {
        if (index == viewer::kFullScreenLayout && ScreenLayout() == viewer::kFullScreenLayout) {
            LeaveFullScreen();
        }
        return;
    }
    CDispView* clicked = panes_[static_cast<std::size_t>(index)];
    panel_->AfterFreezeUpdate();
    if (controller_) {
        controller_->Freeze(0);
    }
    const viewer::PaneClick click = state_.OnPaneClick(index, clicked->IsLive());
    if (!click.previousActive) {
        if (click.unlockCapture) {
            panel_->UpdateCaptureLock(false);
        }
        if (click.freezeCamera && controller_) {
            controller_->Freeze(1);
        }
        return;
    }
    panes_[static_cast<std::size_t>(*click.previousActive)]->SetLive(false);
    UpdatePanelState(false);
    for (int i = 0; i < viewer::kPaneCount; ++i) {
        panes_[static_cast<std::size_t>(i)]->SetHighlight(i == index);
    }
    clicked->SetLive(true);
    if (ScreenLayout() == viewer::kHalfPictureLayout) {
        panes_[0]->UpdateScrollBars();
        panes_[1]->UpdateScrollBars();
    }
    UpdatePanelState(false);
}

void CNKestrumViewerView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        onTick();
        return;
    }
    QWidget::timerEvent(event);
}

void CNKestrumViewerView::onTick() {
    if (!controller_) {
        return;
    }
    viewer::TickInput input;
    std::int32_t mode = 0;
    input.cameraPresent = controller_->CheckMode(&mode);
    input.cameraMode = mode;
    if (input.cameraPresent) {
        std::int32_t cameraState = 0;
        controller_->CheckRecording(&cameraState);
        input.cameraState = cameraState;
        // A camera that answered only after the controller started (a slow connect) is not yet
        // streaming: start it now in the current resolution.
        constexpr std::int32_t kStreaming = 2;
        if ((cameraState & kStreaming) == 0) {
            controller_->StartRecording(state_.ResolutionMode());
        }
    }
    if (const QScreen* screen = this->screen()) {
        input.screen = screen->size();
    }
    const viewer::TickActions actions = state_.OnTick(input);
    if (actions.cameraMissing) {
        onCameraMissing();
        return;
    }
    if (actions.mirrorFrozen) {
        activePane()->SetLive(false);
        panel_->AfterFreezeUpdate();
    } else if (actions.mirrorLive) {
        activePane()->SetLive(true);
        panel_->AfterResumeUpdate();
    }
    activePane()->viewport()->update();
    if (actions.modeChanged) {
        QWidget* dialog = viewer::OpenCameraSettingDialog();
        if (dialog != nullptr) {
            CModeChangedEvent changed(input.cameraMode, state_.ResolutionMode());
            QCoreApplication::sendEvent(dialog, &changed);
        } else {
            applyStoredSettings();
        }
    }
    if (actions.recentre) {
        emit recentreRequested();
    }
}

void CNKestrumViewerView::onCameraMissing() {
    timer_.stop();
    viewer::ShowMessage(this, viewer::DeviceMissingMessage(viewer::CurrentWindowsVersionCode()),
                        QMessageBox::Critical);
    emit cameraMissing();
}

void CNKestrumViewerView::SetScreenLayout(int layout) {
    if (const auto change = state_.SetScreenLayout(layout, activePane()->IsLive())) {
        applyLayoutChange(*change);
        if (change->fullScreen) {
            setChromeVisible(false);
            emit fullScreenChanged(true);
            panes_[viewer::kFullScreenLayout]->setFocus();
        }
        repaint();
    }
}

void CNKestrumViewerView::LeaveFullScreen() {
    const bool live = panes_[viewer::kFullScreenLayout]->IsLive();
    if (const auto change = state_.LeaveFullScreen(live)) {
        emit fullScreenChanged(false);
        setChromeVisible(true);
        applyLayoutChange(*change);
    }
}

void CNKestrumViewerView::applyLayoutChange(const viewer::LayoutChange& change) {
    for (int i = 0; i < viewer::kPaneCount; ++i) {
        const viewer::PanePlacement& place = change.placements[static_cast<std::size_t>(i)];
        CDispView* pane = panes_[static_cast<std::size_t>(i)];
        if (place.visible) {
            pane->setGeometry(place.rect);
        }
        pane->setVisible(place.visible);
    }
    CDispView* active = panes_[static_cast<std::size_t>(change.active)];
    if (change.pictureFrom && *change.pictureFrom != change.active) {
        const auto picture = panes_[static_cast<std::size_t>(*change.pictureFrom)]->FramePicture();
        active->ShowFrame(picture.data(), picture.size());
    }
    for (int pane : change.cleared) {
        panes_[static_cast<std::size_t>(pane)]->ShowFrame(nullptr, 0);
    }
    for (int pane : change.notLive) {
        panes_[static_cast<std::size_t>(pane)]->SetLive(false);
    }
    active->SetLive(change.activeLive);
    if (change.highlight) {
        for (int i = 0; i < viewer::kPaneCount; ++i) {
            panes_[static_cast<std::size_t>(i)]->SetHighlight(
                (*change.highlight)[static_cast<std::size_t>(i)]);
        }
    }
    for (int i : {0, 1}) {
        panes_[static_cast<std::size_t>(i)]->SetScrollSizes(change.scrollSize);
        panes_[static_cast<std::size_t>(i)]->UpdateScrollBars();
    }
}

void CNKestrumViewerView::setChromeVisible(bool visible) {
    panel_->setVisible(visible);
    gallery_->setVisible(visible);
    basket_->setVisible(visible);
}

void CNKestrumViewerView::SetFreeze(bool freeze) {
    state_.SetFreeze(freeze);
    activePane()->SetLive(!freeze);
    if (controller_) {
        controller_->Freeze(freeze ? 1 : 0);
    }
}

void CNKestrumViewerView::SetResolutionMode(int mode) {
    const bool changed = mode != state_.ResolutionMode();
    if (!changed) {
        return;
    }
    if (controller_) {
        activePane()->Hold();
        controller_->StartRecording(mode);
    }
    state_.SetResolutionMode(mode);
    applyStoredSettings();
}

void CNKestrumViewerView::UpdatePanelState(bool captureLocked) {
    const bool live = activePane()->IsLive();
    panel_->UpdateFromViewState(!live, live, captureLocked);
    if (ScreenLayout() == viewer::kHalfPictureLayout) {
        panes_[0]->UpdateScrollBars();
        panes_[1]->UpdateScrollBars();
    }
}

void CNKestrumViewerView::applyStoredSettings() {
    if (settings_) {
        settings_->Apply();
    }
}
