// What the sensor (device 1) and the colour processor (device 2) are set to, decoded from their
// registers, plus the mains frequency of the room's lights: everything besides the scene that the
// picture depends on. A plain value, compared whole to tell when lookup tables must be rebuilt.
#pragma once

#include <array>
#include <cstdint>

#include "registers.h"

namespace vcam {

// Sensor (device 1) registers the picture reacts to.
namespace device1 {
inline constexpr std::uint16_t kExposure = 0x009;
inline constexpr std::uint16_t kReadMode = 0x020;  // bit 1: mirror
inline constexpr std::uint16_t kGain = 0x02F;
inline constexpr std::uint16_t kSharpness = 0x105;
inline constexpr std::uint16_t kControl = 0x106;  // bits 14 + 11: auto exposure; bit 1: AWB
inline constexpr std::uint16_t kContrastDown = 0x13B;
inline constexpr std::uint16_t kContrastUp = 0x13C;
inline constexpr std::uint16_t kGammaTable0 = 0x153;  // six registers of knees
inline constexpr std::uint16_t kAutoExposureTarget = 0x22E;
inline constexpr std::uint16_t kFlicker = 0x25B;
}  // namespace device1

// Colour-processor (device 2) registers.
namespace device2 {
inline constexpr std::uint8_t kRotationFirst = 2;   // (cos, -sin)
inline constexpr std::uint8_t kRotationSecond = 3;  // (sin, cos)
inline constexpr std::uint8_t kCbGain = 8;
inline constexpr std::uint8_t kCrGain = 9;
inline constexpr std::uint8_t kCbOffset = 10;
inline constexpr std::uint8_t kCrOffset = 11;
}  // namespace device2

enum class FlickerCode : std::uint8_t { Hz50 = 1, Automatic = 2, Hz60 = 3 };

using Knees = std::array<std::uint8_t, 11>;

// The factory's tone curve: the picture as drawn is what the camera shows with it.
inline constexpr Knees kFactoryKnees{0, 20, 30, 46, 70, 106, 135, 160, 183, 204, 224};

// Defaults are the built-in register block of a 640-wide mode 1 and a 50 Hz room.
struct PictureSettings {
    std::uint16_t exposureRows = 0x0325;  // in sensor rows: 1/60 s at the built-in values
    std::uint16_t gain = 0x0020;          // 32 = unity
    bool autoExposure = true;
    std::uint8_t autoExposureTarget = 0x4A;  // mean luma the AE loop aims at
    int contrast = -42;                      // -1023..1023: below zero flatter, above steeper
    Knees knees = kFactoryKnees;             // knee 0 (black) .. knee 10
    int sharpness = 3;                       // 0 = none
    bool mirror = false;
    bool autoWhiteBalance = true;
    std::uint8_t flickerCode = static_cast<std::uint8_t>(FlickerCode::Automatic);
    // Colour-difference matrix (Cb', Cr') = M (Cb, Cr), row-major, scaled by 512.
    std::array<int, 4> rotation{512, 0, 0, 512};
    int cbGain = 0;  // -31..31: the channel is scaled by 1 + gain / 32
    int crGain = 0;
    int cbOffset = 0;  // -64..63 chroma levels
    int crOffset = 0;
    int mainsHz = 50;  // 50 or 60: the frequency the room's lights flicker at twice

    bool operator==(const PictureSettings&) const = default;
};

// Reads the registers the way the chips interpret them:
// - exposure 0x009 and gain 0x02F as plain 16-bit numbers;
// - 0x106: auto exposure when bits 14 and 11 are both set, AWB on bit 1;
// - contrast: 0x13C (bit 10 set: magnitude in bits 0..9) steepens, 0x13B likewise flattens; a
//   register without bit 10 contributes nothing;
// - knees from table 0 only (0x153..0x158): each register holds two knees, the higher-numbered in
//   its high byte (knees 2,1 / 4,3 / 6,5 / 8,7 / 10,9), the last one knee 0 in its low byte;
// - sharpness 0x105, mirror 0x020 bit 1, AE target 0x22E low byte, flicker code 0x25B low byte;
// - device 2 registers 2 and 3: two sign-and-magnitude numbers each (sign bit 22, magnitude bits
//   12..21; sign bit 10, magnitude bits 0..9), the rows of the colour-difference matrix;
// - device 2 registers 8 and 9: low byte sign 0x80 and 5-bit magnitude;
// - device 2 registers 10 and 11: low 7 bits offset-binary around 0x40 (0x40 = no offset).
PictureSettings readPictureSettings(const DeviceRegisters& registers, int mainsHz);

// One number of a device-2 word: sign at `signBit`, 10-bit magnitude just below it.
int signMagnitude(std::uint32_t word, int signBit);

// Whether the sensor's flicker setting leaves bands under lights on `mainsHz` mains: a fixed
// 50 or 60 Hz setting bands under the other frequency, automatic never does, and any other code
// (no flicker avoidance) bands under both.
bool flickerBands(std::uint8_t flickerCode, int mainsHz);

}  // namespace vcam
