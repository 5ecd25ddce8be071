// The camera's stored picture defaults: the 512-byte "QLV0" register block kept in the camera's
// EEPROM for each camera mode and resolution, and the two blocks built into the viewer that stand
// in for a block the camera does not hold.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace viewer {

inline constexpr int kRegisterBlockBytes = 512;
using RegisterBlock = std::array<std::uint8_t, kRegisterBlockBytes>;

// The viewer's block for resolution mode 0 (640 wide) or any other value (1280 x 1024).
const RegisterBlock& builtInRegisterBlock(int resolutionMode) noexcept;

// EEPROM address of the block of a camera mode (1..3) and resolution mode (0 or 1).
constexpr std::int32_t registerBlockAddress(int cameraMode, int resolutionMode) noexcept {
    return (cameraMode + 3 * resolutionMode + 15) * kRegisterBlockBytes;
}

// True when the block carries the "QLV0" tag and the end mark of the built-in blocks at 116.
bool isValidRegisterBlock(std::span<const std::uint8_t, kRegisterBlockBytes> block) noexcept;

// The picture defaults a block holds.
struct CameraDefaults {
    std::int32_t brightness = 0;      // automatic-exposure target, 0..255
    std::int32_t hue = 0;             // tenths of a degree
    std::int32_t contrast = 0;        // -1023..1023
    std::int32_t exposure = 0;        // 0..65535
    std::int32_t exposureFactor = 0;  // as read from the block; see encodeExposureFactor
    std::int32_t ae = 0;              // 1 on, 0 off
    std::int32_t flicker = 0;         // 1 = 50 Hz, 2 = automatic, 3 = 60 Hz
    bool operator==(const CameraDefaults&) const = default;
};

CameraDefaults defaultsOf(std::span<const std::uint8_t, kRegisterBlockBytes> block) noexcept;

// The gain argument of an exposure change for a factor read from a block: a factor with bit 7
// set is folded into the sensor's coarse-gain form, 0xC0 | ((f >> 1) & 0x3F); others go as they
// are.
constexpr std::int32_t encodeExposureFactor(std::int32_t factor) noexcept {
    return (factor & 0x80) != 0 ? (((factor & 0x7E) | 0x180) >> 1) : factor;
}

}  // namespace viewer
