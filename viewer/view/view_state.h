// The main view's state without its widgets: screen layout, active pane, the frames skipped while
// the camera settles, and what the 500 ms tick has last seen. Each operation returns what the
// view has to do to its panes and panel, so the rules can be checked without a display.
#pragma once

#include <QSize>

#include <array>
#include <optional>
#include <vector>

#include "view/view_geometry.h"

namespace viewer {

// Frames dropped after a freeze, a resume, or a camera-mode or resolution change, so that no
// picture taken while the camera switches is shown. A request during a skip does not restart it.
class FrameSkip {
public:
    void Request() noexcept { request_ = true; }
    // The next skip at 640 x 480 is a short one (3 frames instead of 10).
    void SetShort() noexcept { short_ = true; }
    bool Requested() const noexcept { return request_; }
    bool ShortSkip() const noexcept { return short_; }

    // Called for each frame that reaches the live active pane: true when it is to be shown.
    bool Pass(int resolutionMode) noexcept;

private:
    bool request_ = false;
    bool short_ = true;
    int count_ = 0;
};

// A change of screen layout, carried out by the view on its panes in this order: placements,
// the active pane takes the picture of `pictureFrom`, the `cleared` panes turn grey, live flags,
// highlights, scroll sizes.
struct LayoutChange {
    PanePlacements placements;
    int active = 0;
    bool activeLive = false;
    // The pane whose frame picture the active pane takes (a frozen picture moves with the user).
    std::optional<int> pictureFrom;
    std::vector<int> cleared;
    // Panes that end up not live (every pane but the active one that was live before).
    std::vector<int> notLive;
    // Highlight per pane when it changes; nullopt keeps the panes' highlights.
    std::optional<std::array<bool, kPaneCount>> highlight;
    QSize scrollSize;  // of panes 0 and 1
    bool fullScreen = false;
};

// What the camera answered at a tick.
struct TickInput {
    bool cameraPresent = false;  // the mode query succeeded with a mode of 1 to 3
    int cameraMode = 0;
    int cameraState = 0;  // 7 live, 6 frozen
    QSize screen;
};

struct TickActions {
    bool cameraMissing = false;  // nothing else is set then
    // The camera froze or resumed by itself: mirror it into the active pane and the panel.
    bool mirrorFrozen = false;
    bool mirrorLive = false;
    // The camera mode or the resolution changed: tell an open Camera Setting dialog, else put
    // the stored settings of the new mode on the camera.
    bool modeChanged = false;
    bool recentre = false;
};

// What a left click on a pane asks of the view.
struct PaneClick {
    // The active pane before the click, when another pane was clicked; the view makes it not
    // live and the clicked one live and highlighted.
    std::optional<int> previousActive;
    bool freezeCamera = false;
    bool unlockCapture = false;
};

class ViewState {
public:
    int Layout() const noexcept { return layout_; }
    int ActivePane() const noexcept { return active_; }
    int ResolutionMode() const noexcept { return resolutionMode_; }
    bool StoredImageShown() const noexcept { return storedImage_; }
    const FrameSkip& Skip() const noexcept { return skip_; }

    // A converted frame arrived. `activeLive` is the active pane's live flag; `cameraMode` is
    // asked only for a live pane. True when the active pane is to show the frame.
    template <typename ModeQuery>
    bool OnFrame(bool activeLive, ModeQuery cameraMode) {
        return activeLive && passFrame(cameraMode());
    }

    // nullopt when `layout` is already the current one.
    std::optional<LayoutChange> SetScreenLayout(int layout, bool activeLive);
    // Back from full screen to the layout and active pane before it; `fullScreenLive` is pane
    // 4's live flag. nullopt when not in full screen.
    std::optional<LayoutChange> LeaveFullScreen(bool fullScreenLive);

    // Freeze (true) or resume (false) the active pane.
    void SetFreeze(bool freeze);
    // False, changing nothing, when `mode` is the current one.
    bool SetResolutionMode(int mode);
    // A pane was left-clicked and has already toggled its live flag to `nowLive`.
    PaneClick OnPaneClick(int pane, bool nowLive);
    void SetStoredImageShown(bool shown) noexcept { storedImage_ = shown; }

    TickActions OnTick(const TickInput& input);

private:
    bool passFrame(int cameraMode);

    int layout_ = 0;
    int savedLayout_ = 0;
    int active_ = 0;
    int savedActive_ = 0;
    int resolutionMode_ = 0;
    bool storedImage_ = false;
    FrameSkip skip_;
    // Unset until the first tick, so that it counts as a change.
    std::optional<int> lastCameraMode_;
    // The frame handler keeps its own: a change it sees first must still reach the tick, which
    // puts the new mode's settings on the camera.
    std::optional<int> lastFrameCameraMode_;
    std::optional<int> lastResolutionMode_;
    std::optional<int> lastCameraState_;
    QSize lastScreen_;
};

}  // namespace viewer
