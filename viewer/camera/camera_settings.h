// CCameraSettings: the six picture settings stored per camera mode and resolution, and putting
// them on the camera. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "config/camera_settings_record.h"

class CCameraController;
class CConfig;

class CCameraSettings {
public:
    // `resolutionMode` gives the main view's resolution mode (0 = 640 x 480, 1 = 1280 x 960).
    CCameraSettings(CCameraController& controller, const CConfig& config,
                    std::function<int()> resolutionMode);

    // 2 x (camera mode - 1) + resolution mode for a camera in mode 1..3; otherwise the mode the
    // camera reported, which names no stored section.
    int CurrentIndex() const;

    // The camera's own defaults for its current mode, from its register block.
    viewer::CameraSettingsRecord CameraDefaults() const;

    // The record stored for the current index. A section lacking any of the six values is filled
    // with the camera's defaults and written back at once.
    viewer::CameraSettingsRecord StoredRecord() const;

    // Puts a record (the stored one when none is given) on the camera: brightness, exposure
    // with the current mode's exposure factor, automatic exposure, hue, contrast, flicker.
    void Apply(const std::optional<viewer::CameraSettingsRecord>& record = std::nullopt) const;

private:
    std::int32_t cameraMode() const;

    CCameraController& controller_;
    const CConfig& config_;
    std::function<int()> resolutionMode_;
};
