// What the control panel asks of the main view. The panel only forwards its commands; the view
// does the work.
#pragma once

#include <QString>

#include <optional>

class CPanelHost {
public:
    virtual ~CPanelHost() = default;

    static constexpr int kFullScreenLayout = 4;

    // Capture button: true when the capture dialog ended with OK.
    virtual bool CaptureCommand() = 0;
    // Freeze (true) or resume (false) the active pane.
    virtual void SetFreeze(bool freeze) = 0;
    // 0 "1", 1 "2", 2 "2'", 3 "4", 4 full screen.
    virtual void SetScreenLayout(int layout) = 0;
    virtual int ScreenLayout() const = 0;
    virtual void LeaveFullScreen() = 0;
    // 0 = 640X480, 1 = 1280X960.
    virtual void SetResolutionMode(int mode) = 0;
    // Lists the capture ID's folder in the gallery (the gallery folder itself for a blank ID),
    // creating it one level deep. False when the folder cannot be made.
    virtual bool ApplyCaptureId(const QString& captureId) = 0;
    // Pushes the active pane's state to the panel (UpdateFromViewState).
    virtual void UpdatePanelState(bool captureLocked) = 0;
    // Print button.
    virtual void PrintCommand() = 0;
    // Runs the Setting dialog modally: nullopt when cancelled, else whether the gallery folder
    // was changed.
    virtual std::optional<bool> RunSettingDialog() = 0;
    // Lists the gallery again, in the folder of `captureId` (blank: the gallery folder).
    virtual void RefreshGallery(const QString& captureId) = 0;
    virtual void ReloadBackgroundSkin() = 0;
    virtual void ReloadLogo() = 0;
    // Repaints the whole view, background included.
    virtual void InvalidateView() = 0;
};
