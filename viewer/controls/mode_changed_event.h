// Event 1125: the main view tells an open Camera Setting dialog that the camera mode or the
// resolution changed, so it shows and edits the settings of the new mode.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "resources/resource_ids.h"

class CModeChangedEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(res::kModeChangedEvent);

    CModeChangedEvent(int cameraMode, int resolutionMode)
        : QEvent(kType), cameraMode_(cameraMode), resolutionMode_(resolutionMode) {}

    int CameraMode() const noexcept { return cameraMode_; }
    int ResolutionMode() const noexcept { return resolutionMode_; }

private:
    int cameraMode_;
    int resolutionMode_;
};

namespace viewer {

// The Camera Setting dialog while it is open (it sets and clears this itself); null otherwise.
inline QPointer<QWidget>& OpenCameraSettingDialog() {
    static QPointer<QWidget> dialog;
    return dialog;
}

}  // namespace viewer
