// The camera settings of one camera mode and resolution, as stored per settings index.
#pragma once

#include <cstdint>

namespace viewer {

struct CameraSettingsRecord {
    std::int32_t brightness = 0;  // the automatic-exposure target
    std::int32_t hue = 0;         // tenths of a degree
    std::int32_t contrast = 0;
    std::int32_t exposure = 0;
    std::int32_t autoExposure = 0;  // 1 on, 0 off
    std::int32_t flicker = 0;       // 1 = 50 Hz, 2 = automatic, 3 = 60 Hz

    friend bool operator==(const CameraSettingsRecord&, const CameraSettingsRecord&) = default;
};

// Settings indices run from 0 to kSettingsIndexCount - 1.
inline constexpr int kSettingsIndexCount = 6;

// cameraMode is 1 to 3, resolutionMode 0 (640 x 480) or 1 (1280 x 960).
constexpr int settingsIndex(int cameraMode, int resolutionMode) noexcept {
    return 2 * (cameraMode - 1) + resolutionMode;
}

}  // namespace viewer
