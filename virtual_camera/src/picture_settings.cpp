#include "picture_settings.h"

namespace vcam {
namespace {

constexpr std::uint16_t kAutoExposureBits = 1u << 14 | 1u << 11;
constexpr std::uint16_t kAutoWhiteBalanceBit = 1u << 1;
constexpr std::uint16_t kMirrorBit = 1u << 1;
constexpr std::uint16_t kContrastEnable = 1u << 10;
constexpr int kMagnitudeMask = 0x3FF;

int contrastMagnitude(std::uint16_t value) {
    return (value & kContrastEnable) != 0 ? (value & kMagnitudeMask) : 0;
}

int chromaGain(std::uint32_t value) {
    const int magnitude = static_cast<int>(value & 0x1F);
    return (value & 0x80) != 0 ? -magnitude : magnitude;
}

int chromaOffset(std::uint32_t value) {
    return static_cast<int>(value & 0x7F) - 0x40;
}

}  // namespace

int signMagnitude(std::uint32_t word, int signBit) {
    const int magnitude = static_cast<int>(word >> (signBit - 10)) & kMagnitudeMask;
    return (word >> signBit & 1u) != 0 ? -magnitude : magnitude;
}

bool flickerBands(std::uint8_t flickerCode, int mainsHz) {
    switch (static_cast<FlickerCode>(flickerCode)) {
        case FlickerCode::Automatic:
            return false;
        case FlickerCode::Hz50:
            return mainsHz != 50;
        case FlickerCode::Hz60:
            return mainsHz != 60;
    }
    return true;
}

PictureSettings readPictureSettings(const DeviceRegisters& registers, int mainsHz) {
    const auto reg = [&](std::uint16_t number) { return registers.device1(number); };
    PictureSettings s;
    s.exposureRows = reg(device1::kExposure);
    s.gain = reg(device1::kGain);
    s.autoExposure = (reg(device1::kControl) & kAutoExposureBits) == kAutoExposureBits;
    s.autoWhiteBalance = (reg(device1::kControl) & kAutoWhiteBalanceBit) != 0;
    s.autoExposureTarget = static_cast<std::uint8_t>(reg(device1::kAutoExposureTarget));
    s.contrast = contrastMagnitude(reg(device1::kContrastUp)) -
                 contrastMagnitude(reg(device1::kContrastDown));
    for (int i = 0; i < 5; ++i) {
        const std::uint16_t pair = reg(static_cast<std::uint16_t>(device1::kGammaTable0 + i));
        s.knees[static_cast<std::size_t>(2 * i + 1)] = static_cast<std::uint8_t>(pair);
        s.knees[static_cast<std::size_t>(2 * i + 2)] = static_cast<std::uint8_t>(pair >> 8);
    }
    s.knees[0] = static_cast<std::uint8_t>(reg(device1::kGammaTable0 + 5));
    s.sharpness = reg(device1::kSharpness);
    s.mirror = (reg(device1::kReadMode) & kMirrorBit) != 0;
    s.flickerCode = static_cast<std::uint8_t>(reg(device1::kFlicker));

    const std::uint32_t first = registers.device2(device2::kRotationFirst);
    const std::uint32_t second = registers.device2(device2::kRotationSecond);
    s.rotation = {signMagnitude(first, 22), signMagnitude(first, 10), signMagnitude(second, 22),
                  signMagnitude(second, 10)};
    s.cbGain = chromaGain(registers.device2(device2::kCbGain));
    s.crGain = chromaGain(registers.device2(device2::kCrGain));
    s.cbOffset = chromaOffset(registers.device2(device2::kCbOffset));
    s.crOffset = chromaOffset(registers.device2(device2::kCrOffset));
    s.mainsHz = mainsHz;
    return s;
}

}  // namespace vcam
