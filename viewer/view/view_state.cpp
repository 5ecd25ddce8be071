#include "view/view_state.h"

namespace viewer {

namespace {

constexpr int kCameraFrozen = 6;
constexpr int kCameraLive = 7;

}  // namespace

bool FrameSkip::Pass(int resolutionMode) noexcept {
    if (!request_) {
        return true;
    }
    ++count_;
    const bool shortSkip = resolutionMode == 1 || short_;
    if (count_ >= (shortSkip ? 3 : 10)) {
        if (resolutionMode == 0) {
            short_ = false;
        }
        count_ = 0;
        request_ = false;
    }
    return false;
}

bool ViewState::passFrame(int cameraMode) {
    if (lastFrameCameraMode_ != cameraMode) {
        lastFrameCameraMode_ = cameraMode;
        skip_.Request();
    }
    return skip_.Pass(resolutionMode_);
}

std::optional<LayoutChange> ViewState::SetScreenLayout(int layout, bool activeLive) {
    if (layout == layout_ || layout < 0 || layout > kFullScreenLayout) {
        return std::nullopt;
    }
    savedLayout_ = layout_;
    savedActive_ = active_;

    LayoutChange change;
    change.placements = PanePlacementsOf(layout);
    change.active = layout == kFullScreenLayout ? kFullScreenLayout : 0;
    change.activeLive = activeLive;
    if (!activeLive) {
        change.pictureFrom = savedActive_;
    }
    if (savedActive_ != change.active) {
        change.notLive.push_back(savedActive_);
    }
    if (layout == kFullScreenLayout) {
        change.fullScreen = true;
        std::array<bool, kPaneCount> highlight{};
        highlight[kFullScreenLayout] = true;
        change.highlight = highlight;
    } else {
        const int lastCleared = layout == 3 ? 3 : (layout == 0 ? 0 : 1);
        for (int pane = 1; pane <= lastCleared; ++pane) {
            change.cleared.push_back(pane);
        }
        change.highlight = std::array<bool, kPaneCount>{true, false, false, false, false};
    }
    change.scrollSize = ScrollSizeOf(layout);

    layout_ = layout;
    active_ = change.active;
    return change;
}

std::optional<LayoutChange> ViewState::LeaveFullScreen(bool fullScreenLive) {
    if (layout_ != kFullScreenLayout) {
        return std::nullopt;
    }
    LayoutChange change;
    change.placements = PanePlacementsOf(savedLayout_);
    change.active = savedActive_;
    change.activeLive = fullScreenLive;
    change.pictureFrom = kFullScreenLayout;
    change.notLive.push_back(kFullScreenLayout);
    change.scrollSize = ScrollSizeOf(savedLayout_);

    layout_ = savedLayout_;
    active_ = savedActive_;
    return change;
}

void ViewState::SetFreeze(bool freeze) {
    if (freeze) {
        skip_.Request();
    }
    storedImage_ = false;
}

bool ViewState::SetResolutionMode(int mode) {
    if (mode == resolutionMode_) {
        return false;
    }
    skip_.Request();
    skip_.SetShort();
    resolutionMode_ = mode;
    return true;
}

PaneClick ViewState::OnPaneClick(int pane, bool nowLive) {
    storedImage_ = false;
    PaneClick click;
    if (pane == active_) {
        click.freezeCamera = !nowLive;
        click.unlockCapture = nowLive;
        if (nowLive) {
            skip_.Request();
        }
        return click;
    }
    click.previousActive = active_;
    active_ = pane;
    return click;
}

TickActions ViewState::OnTick(const TickInput& input) {
    TickActions actions;
    if (!input.cameraPresent) {
        actions.cameraMissing = true;
        return actions;
    }
    if (lastCameraState_ != input.cameraState) {
        lastCameraState_ = input.cameraState;
        if (input.cameraState == kCameraFrozen && !storedImage_) {
            actions.mirrorFrozen = true;
            skip_.Request();
        } else if (input.cameraState == kCameraLive && !storedImage_) {
            actions.mirrorLive = true;
            skip_.SetShort();
        }
    }
    if (lastResolutionMode_ != resolutionMode_ || lastCameraMode_ != input.cameraMode) {
        lastResolutionMode_ = resolutionMode_;
        lastCameraMode_ = input.cameraMode;
        skip_.Request();
        actions.modeChanged = true;
    }
    if (input.screen != lastScreen_) {
        lastScreen_ = input.screen;
        actions.recentre = true;
    }
    return actions;
}

}  // namespace viewer
