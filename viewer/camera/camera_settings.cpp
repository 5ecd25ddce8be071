#include "camera/camera_settings.h"

#include <utility>

#include "camera/camera_controller.h"
#include "config/config.h"

CCameraSettings::CCameraSettings(CCameraController& controller, const CConfig& config,
                                 std::function<int()> resolutionMode)
    : controller_(controller), config_(config), resolutionMode_(std::move(resolutionMode)) {}

std::int32_t CCameraSettings::cameraMode() const {
    std::int32_t mode = 0;
    controller_.CheckMode(&mode);
    return mode;
}

int CCameraSettings::CurrentIndex() const {
    const std::int32_t mode = cameraMode();
    if (mode < 1 || mode > 3) {
        return mode;
    }
    return viewer::settingsIndex(mode, resolutionMode_());
}

viewer::CameraSettingsRecord CCameraSettings::CameraDefaults() const {
    const viewer::CameraDefaults d = controller_.Defaults(cameraMode());
    return {d.brightness, d.hue, d.contrast, d.exposure, d.ae, d.flicker};
}

viewer::CameraSettingsRecord CCameraSettings::StoredRecord() const {
    const int index = CurrentIndex();
    viewer::CameraSettingsRecord record;
    if (!config_.ReadModeSettings(index, record)) {
        record = CameraDefaults();
        config_.WriteModeSettings(index, record);
    }
    return record;
}

void CCameraSettings::Apply(const std::optional<viewer::CameraSettingsRecord>& record) const {
    const viewer::CameraSettingsRecord r = record ? *record : StoredRecord();
    controller_.SetBrightness(r.brightness);
    controller_.SetExposure(r.exposure, controller_.DefaultExposureFactor(cameraMode()));
    controller_.SetAE(r.autoExposure);
    controller_.SetHue(r.hue);
    controller_.SetContrast(r.contrast);
    controller_.SetFlicker(r.flicker);
}
