#include "picture_setting.h"

#include <QLV_API.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "arguments.h"

namespace qlvctl {

using Kind = PictureSetting::Kind;

const std::string_view settingsUsage =
    "settings for 'set' and 'grab --set':\n"
    "  hue <tenths>                 turn the colours, -1800..1800 tenths of a degree\n"
    "  contrast <n>                 -1023 (flattest) .. 1023 (steepest), 0 plain\n"
    "  ae on|off                    automatic exposure\n"
    "  target <n>                   brightness automatic exposure aims at, 0..255\n"
    "  exposure <shutter> [<gain>]  manual exposure, each 0..65535; gain 0x20 (unity) if left "
    "out\n"
    "  flicker 50|60|auto           avoid banding under 50 Hz or 60 Hz lights, or detect it\n"
    "  mirror 0|1                   flip the picture left to right\n"
    "  sharpness <n>                edge emphasis, 0..65535\n"
    "  gamma <table> <k0> .. <k10>  table 0 or 1: eleven knees 0..255, black to white\n"
    "  chroma <which> <value>       which 0 or 1: gain -31..31; which 2 or 3: offset 0..255\n"
    "  mode <n>                     camera mode 1..3\n"
    "  awb on|off                   automatic white balance\n"
    "  grab takes them as --set <setting>=<value>[,<value>...], e.g. --set exposure=0x300,0x20,\n"
    "  and applies them in the order given.\n";

namespace {

struct Rule {
    std::string_view name;
    Kind kind;
    std::size_t minValues;
    std::size_t maxValues;
    std::string_view synopsis;
};

constexpr std::array rules{
    Rule{"hue", Kind::Hue, 1, 1, "hue <tenths of a degree>"},
    Rule{"contrast", Kind::Contrast, 1, 1, "contrast <-1023..1023>"},
    Rule{"ae", Kind::AutoExposure, 1, 1, "ae on|off"},
    Rule{"target", Kind::Target, 1, 1, "target <0..255>"},
    Rule{"exposure", Kind::Exposure, 1, 2, "exposure <shutter> [<gain>]"},
    Rule{"flicker", Kind::Flicker, 1, 1, "flicker 50|60|auto"},
    Rule{"mirror", Kind::Mirror, 1, 1, "mirror 0|1"},
    Rule{"sharpness", Kind::Sharpness, 1, 1, "sharpness <0..65535>"},
    Rule{"gamma", Kind::Gamma, 12, 12, "gamma <table 0|1> and eleven knees"},
    Rule{"chroma", Kind::Chroma, 2, 2, "chroma <which 0..3> <value>"},
    Rule{"mode", Kind::Mode, 1, 1, "mode <1..3>"},
    Rule{"awb", Kind::AutoWhiteBalance, 1, 1, "awb on|off"},
};

constexpr std::int32_t unityGain = 0x20;
constexpr std::int32_t flicker50 = 1;
constexpr std::int32_t flickerAuto = 2;
constexpr std::int32_t flicker60 = 3;
constexpr std::uint8_t autoExposureBits = 0x48;  // high byte of sensor register 0x106

// Appends a checked number; false with `problem` set.
bool takeNumber(std::string_view text, std::int64_t min, std::int64_t max, std::string_view name,
                std::vector<std::int32_t>& into, std::string& problem) {
    const auto value = parseIntegerIn(text, min, max, name, problem);
    if (value) {
        into.push_back(static_cast<std::int32_t>(*value));
    }
    return value.has_value();
}

bool takeSwitch(std::string_view text, std::string_view name, std::vector<std::int32_t>& into,
                std::string& problem) {
    const auto on = parseSwitch(text);
    if (!on) {
        problem = std::string(name) + " is on or off, not '" + std::string(text) + "'";
        return false;
    }
    into.push_back(*on ? 1 : 0);
    return true;
}

bool takeValues(Kind kind, std::span<const std::string_view> v, std::vector<std::int32_t>& into,
                std::string& problem) {
    switch (kind) {
        case Kind::Hue:
            return takeNumber(v[0], -1800, 1800, "hue (tenths of a degree)", into, problem);
        case Kind::Contrast:
            // The camera keeps ten bits of magnitude: 1024 would silently become 0.
            return takeNumber(v[0], -1023, 1023, "contrast", into, problem);
        case Kind::AutoExposure:
            return takeSwitch(v[0], "ae", into, problem);
        case Kind::Target:
            return takeNumber(v[0], 0, 255, "the exposure target", into, problem);
        case Kind::Exposure:
            if (!takeNumber(v[0], 0, 0xFFFF, "the shutter", into, problem)) {
                return false;
            }
            if (v.size() < 2) {
                into.push_back(unityGain);
                return true;
            }
            return takeNumber(v[1], 0, 0xFFFF, "the gain", into, problem);
        case Kind::Flicker:
            if (v[0] == "50" || v[0] == "60" || v[0] == "auto") {
                into.push_back(v[0] == "50" ? flicker50 : v[0] == "60" ? flicker60 : flickerAuto);
                return true;
            }
            problem = "flicker is 50, 60 or auto, not '" + std::string(v[0]) + "'";
            return false;
        case Kind::Mirror:
            return takeSwitch(v[0], "mirror", into, problem);
        case Kind::Sharpness:
            return takeNumber(v[0], 0, 0xFFFF, "sharpness", into, problem);
        case Kind::Gamma:
            if (!takeNumber(v[0], 0, 1, "the gamma table", into, problem)) {
                return false;
            }
            for (std::size_t i = 1; i < v.size(); ++i) {
                if (!takeNumber(v[i], 0, 255, "knee " + std::to_string(i - 1), into, problem)) {
                    return false;
                }
            }
            return true;
        case Kind::Chroma:
            if (!takeNumber(v[0], 0, 3, "the chroma control", into, problem)) {
                return false;
            }
            // 0 and 1 are gains sent as sign and 5-bit magnitude, 2 and 3 offsets sent as a byte.
            return into[0] < 2 ? takeNumber(v[1], -31, 31, "a chroma gain", into, problem)
                               : takeNumber(v[1], 0, 255, "a chroma offset", into, problem);
        case Kind::Mode:
            return takeNumber(v[0], 1, 3, "the mode", into, problem);
        case Kind::AutoWhiteBalance:
            return takeSwitch(v[0], "awb", into, problem);
    }
    return false;
}

bool sent(std::int32_t result, const char* what) {
    if (result != 0) {
        std::fprintf(stderr, "qlvctl: %s failed: the camera refused or did not answer\n", what);
        return false;
    }
    return true;
}

const char* onOff(std::int32_t value) {
    return value != 0 ? "on" : "off";
}

// Manual exposure is overwritten by the camera's own loop while that runs.
void noteWhenAutoExposureIsOn() {
    std::array<std::uint8_t, 2> control{};
    if (QLV_DeviceRead(1, 0x106, static_cast<std::int32_t>(control.size()), control.data()) == 0 &&
        (control[0] & autoExposureBits) == autoExposureBits) {
        std::puts(
            "note: automatic exposure is on and will change the exposure; switch it off first "
            "(ae off)");
    }
}

}  // namespace

std::optional<PictureSetting> parsePictureSetting(std::string_view what,
                                                  std::span<const std::string_view> values,
                                                  std::string& problem) {
    const auto rule =
        std::find_if(rules.begin(), rules.end(), [&](const Rule& r) { return r.name == what; });
    if (rule == rules.end()) {
        problem = "unknown setting '" + std::string(what) + "'";
        return std::nullopt;
    }
    if (values.size() < rule->minValues || values.size() > rule->maxValues) {
        problem = "expected " + std::string(rule->synopsis);
        return std::nullopt;
    }
    PictureSetting setting{rule->kind, {}};
    if (!takeValues(rule->kind, values, setting.values, problem)) {
        return std::nullopt;
    }
    return setting;
}

bool applyPictureSetting(const PictureSetting& setting) {
    const auto& v = setting.values;
    switch (setting.kind) {
        case Kind::Hue:
            if (!sent(QLV_SetHue(v[0]), "setting the hue")) {
                return false;
            }
            std::printf("hue set to %.1f degrees\n", v[0] / 10.0);
            return true;
        case Kind::Contrast:
            if (!sent(QLV_SetContrast(v[0]), "setting the contrast")) {
                return false;
            }
            std::printf("contrast set to %d\n", v[0]);
            return true;
        case Kind::AutoExposure:
            if (!sent(QLV_SetAE(1, v[0], 0, 0, 0), "switching automatic exposure")) {
                return false;
            }
            std::printf("automatic exposure switched %s\n", onOff(v[0]));
            return true;
        case Kind::Target:
            if (!sent(QLV_SetAE(2, 0, v[0], 0, 0), "setting the exposure target")) {
                return false;
            }
            std::printf("automatic exposure target set to %d\n", v[0]);
            return true;
        case Kind::Exposure:
            if (!sent(QLV_SetAE(4, 0, 0, v[0], v[1]), "setting the exposure")) {
                return false;
            }
            std::printf("exposure set to shutter %d, gain %d\n", v[0], v[1]);
            noteWhenAutoExposureIsOn();
            return true;
        case Kind::Flicker:
            if (!sent(QLV_SetFlicker(v[0]), "setting flicker avoidance")) {
                return false;
            }
            std::printf("flicker avoidance set to %s\n", v[0] == flicker50   ? "50 Hz"
                                                         : v[0] == flicker60 ? "60 Hz"
                                                                             : "automatic");
            return true;
        case Kind::Mirror:
            if (!sent(QLV_SetMirrorMode(static_cast<std::uint32_t>(v[0])), "setting the mirror")) {
                return false;
            }
            std::printf("mirror switched %s\n", onOff(v[0]));
            return true;
        case Kind::Sharpness:
            if (!sent(QLV_SetSharpness(v[0]), "setting the sharpness")) {
                return false;
            }
            std::printf("sharpness set to %d\n", v[0]);
            return true;
        case Kind::Gamma: {
            std::array<std::uint8_t, 11> knees{};
            std::transform(v.begin() + 1, v.end(), knees.begin(),
                           [](std::int32_t knee) { return static_cast<std::uint8_t>(knee); });
            if (!sent(QLV_SetGamma(static_cast<std::uint32_t>(v[0]), knees.data()),
                      "setting the gamma table")) {
                return false;
            }
            std::printf("gamma table %d set to knees", v[0]);
            for (const std::uint8_t knee : knees) {
                std::printf(" %u", static_cast<unsigned>(knee));
            }
            std::puts("");
            return true;
        }
        case Kind::Chroma:
            if (!sent(QLV_SetChroma(static_cast<std::uint32_t>(v[0]), v[1]),
                      "setting the chroma")) {
                return false;
            }
            std::printf("chroma %s %d set to %d\n", v[0] < 2 ? "gain" : "offset", v[0], v[1]);
            return true;
        case Kind::Mode:
            if (!sent(QLV_SetMode(static_cast<std::uint32_t>(v[0])), "setting the camera mode")) {
                return false;
            }
            std::printf("camera mode set to %d\n", v[0]);
            return true;
        case Kind::AutoWhiteBalance:
            if (!sent(QLV_SetAWB(1, static_cast<std::uint32_t>(v[0]), 0, 0),
                      "switching automatic white balance")) {
                return false;
            }
            std::printf("automatic white balance switched %s\n", onOff(v[0]));
            return true;
    }
    return false;
}

}  // namespace qlvctl
