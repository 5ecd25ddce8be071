// A picture setting named on the command line: checked whole before the camera is opened, applied
// once it is connected. Shared by 'set' and 'grab --set'.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qlvctl {

struct PictureSetting {
    enum class Kind {
        Hue,
        Contrast,
        AutoExposure,
        Target,
        Exposure,
        Flicker,
        Mirror,
        Sharpness,
        Gamma,
        Chroma,
        Mode,
        AutoWhiteBalance,
    };
    Kind kind{};
    std::vector<std::int32_t> values;  // checked, in the library's terms (flicker as its code)
};

// Reads `what` and its values. Nullopt, with `problem` set, when either is wrong.
std::optional<PictureSetting> parsePictureSetting(std::string_view what,
                                                  std::span<const std::string_view> values,
                                                  std::string& problem);

// Sends the setting to the camera and prints what it did. False, with a message on stderr, when
// the camera refused or did not answer.
bool applyPictureSetting(const PictureSetting& setting);

// The lines of the usage text that list the settings.
extern const std::string_view settingsUsage;

}  // namespace qlvctl
