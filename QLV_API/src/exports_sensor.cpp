// Picture settings: camera mode, exposure, white balance, sharpness, mirror, gamma, contrast,
// flicker, chroma and hue, written to the sensor (device 1) and colour processor (device 2).
#include <QLV_API.h>

#include <array>
#include <cmath>
#include <numbers>

#include "library.h"
#include "sensor_control.h"

using namespace qlv;

namespace {

namespace reg {
constexpr std::uint16_t exposure = 0x009;
constexpr std::uint16_t readMode = 0x020;
constexpr std::uint16_t gain = 0x02F;
constexpr std::uint16_t sharpness = 0x105;
constexpr std::uint16_t autoControl = 0x106;
constexpr std::uint16_t contrastNegative = 0x13B;
constexpr std::uint16_t gammaTable0 = 0x153;
constexpr std::uint16_t gammaTable1 = 0x1DC;
constexpr std::uint16_t whiteBalance = 0x221;
constexpr std::uint16_t aeTarget = 0x22E;
constexpr std::uint16_t flicker = 0x25B;
}  // namespace reg

constexpr std::uint16_t autoExposureBits = 0x4800;  // bits 14 and 11: both set = AE on
constexpr std::uint16_t autoWhiteBalanceBit = 0x0002;
constexpr std::uint16_t mirrorBit = 0x0002;
constexpr std::uint16_t contrastEnable = 0x0400;
constexpr std::uint8_t colourHueRegister = 2;
constexpr std::uint8_t colourChromaRegister = 8;

std::uint8_t byteOf(std::int64_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::uint16_t setOrClear(std::uint16_t word, std::uint16_t bits, bool set) {
    return static_cast<std::uint16_t>(set ? (word | bits) : (word & ~bits));
}

// A signed value as the colour processor takes it: sign at bit 10 of the field, 10-bit magnitude.
std::uint32_t signMagnitude10(int value) {
    const auto magnitude = static_cast<std::uint32_t>(std::abs(value)) & 0x3FF;
    return (value < 0 ? 0x400u : 0u) | magnitude;
}

std::array<std::uint8_t, 8> hueRecords(std::int32_t tenths) {
    const double angle = tenths * std::numbers::pi / 1800.0;
    const int c = static_cast<int>(512.0 * std::cos(angle));
    const int s = static_cast<int>(512.0 * std::sin(angle));
    const int n = static_cast<int>(-512.0 * std::sin(angle));
    // The 2 x 2 rotation of the colour-difference plane: (cos, -sin) and (sin, cos).
    const std::uint32_t first = (signMagnitude10(c) << 12) | signMagnitude10(n);
    const std::uint32_t second = (signMagnitude10(s) << 12) | signMagnitude10(c);
    return {colourHueRegister,     byteOf(first >> 16),  byteOf(first >> 8),  byteOf(first),
            colourHueRegister + 1, byteOf(second >> 16), byteOf(second >> 8), byteOf(second)};
}

std::int32_t withConnectedBus(const std::function<bool(Bus&)>& action) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return record(failed);
    }
    return record(action(lib->bus) ? ok : failed);
}

}  // namespace

QLV_EXPORT int32_t QLV_SetMode(uint32_t mode) {
    if (mode > 3) {
        return record(failed);
    }
    return withConnectedBus([mode](Bus& bus) {
        std::array<std::uint8_t, 3> fields{static_cast<std::uint8_t>(mode), 0, 0};
        return bus.control({request::SetStatus, Direction::Out, 0, 0x1}, fields);
    });
}

QLV_EXPORT int32_t QLV_CheckMode(int32_t* mode) {
    if (mode == nullptr) {
        return record(failed);
    }
    *mode = 0;
    return withConnectedBus([mode](Bus& bus) {
        std::array<std::uint8_t, 5> status{};
        if (!bus.control({request::Status, Direction::In, 0, 0}, status)) {
            return false;
        }
        *mode = status[0];
        return true;
    });
}

QLV_EXPORT int32_t QLV_SetAE(int32_t flags, int32_t aeOn, int32_t target, int32_t shutter,
                             int32_t gain) {
    return withConnectedBus([=](Bus& bus) {
        if ((flags & 1) != 0 &&
            !modifySensorWord(bus, reg::autoControl, [aeOn](std::uint16_t word) {
                return setOrClear(word, autoExposureBits, aeOn != 0);
            })) {
            return false;
        }
        if ((flags & 2) != 0 && !modifySensorWord(bus, reg::aeTarget, [target](std::uint16_t word) {
                return static_cast<std::uint16_t>((word & 0xFF00) | byteOf(target));
            })) {
            return false;
        }
        if ((flags & 4) != 0) {
            const auto word = [](std::int32_t value) {
                return static_cast<std::uint16_t>((byteOf(value / 256) << 8) | byteOf(value));
            };
            return writeSensorWord(bus, reg::exposure, word(shutter)) &&
                   writeSensorWord(bus, reg::gain, word(gain));
        }
        return true;
    });
}

QLV_EXPORT int32_t QLV_SetAWB(int32_t flags, uint32_t awbOn, int32_t first, int32_t second) {
    return withConnectedBus([=](Bus& bus) {
        if ((flags & 1) != 0 &&
            !modifySensorWord(bus, reg::autoControl, [awbOn](std::uint16_t word) {
                return setOrClear(word, autoWhiteBalanceBit, awbOn != 0);
            })) {
            return false;
        }
        if ((flags & 2) != 0) {
            return writeSensorWord(
                bus, reg::whiteBalance,
                static_cast<std::uint16_t>((byteOf(first) << 8) | byteOf(second)));
        }
        return true;
    });
}

QLV_EXPORT int32_t QLV_SetSharpness(int32_t value) {
    return withConnectedBus([value](Bus& bus) {
        return writeSensorWord(bus, reg::sharpness, static_cast<std::uint16_t>(value & 0xFFFF));
    });
}

QLV_EXPORT int32_t QLV_SetMirrorMode(uint32_t on) {
    return withConnectedBus([on](Bus& bus) {
        return modifySensorWord(bus, reg::readMode, [on](std::uint16_t word) {
            return setOrClear(word, mirrorBit, on != 0);
        });
    });
}

QLV_EXPORT int32_t QLV_SetGamma(uint32_t table, const uint8_t* knees) {
    if (knees == nullptr) {
        return record(failed);
    }
    // Six registers, each two knees with the higher one first; the last holds knee 0 alone.
    const std::array<std::uint8_t, 12> bytes{knees[2],  knees[1], knees[4], knees[3],
                                             knees[6],  knees[5], knees[8], knees[7],
                                             knees[10], knees[9], 0,        knees[0]};
    return withConnectedBus([&](Bus& bus) {
        return writeSensor(bus, table == 0 ? reg::gammaTable0 : reg::gammaTable1, bytes);
    });
}

QLV_EXPORT int32_t QLV_SetContrast(int32_t value) {
    // The sign picks the register; the other one holds just its enable bit.
    const auto magnitude =
        static_cast<std::uint16_t>((value < 0 ? -static_cast<std::int64_t>(value) : value) & 0x3FF);
    const std::uint16_t below = value < 0 ? (contrastEnable | magnitude) : contrastEnable;
    const std::uint16_t above = value < 0 ? contrastEnable : (contrastEnable | magnitude);
    const std::array<std::uint8_t, 4> bytes{byteOf(below >> 8), byteOf(below), byteOf(above >> 8),
                                            byteOf(above)};
    return withConnectedBus(
        [&](Bus& bus) { return writeSensor(bus, reg::contrastNegative, bytes); });
}

QLV_EXPORT int32_t QLV_SetFlicker(int32_t code) {
    return withConnectedBus(
        [code](Bus& bus) { return writeSensorWord(bus, reg::flicker, byteOf(code)); });
}

QLV_EXPORT int32_t QLV_SetChroma(uint32_t which, int32_t value) {
    if (which > 3) {
        return record(failed);
    }
    const auto registerNumber = static_cast<std::uint8_t>(colourChromaRegister + which);
    // Gains (0, 1) are sign and 5-bit magnitude; offsets (2, 3) are one byte.
    const std::uint8_t setting =
        which < 2 ? static_cast<std::uint8_t>((value < 0 ? 0x80 : 0) |
                                              (std::llabs(static_cast<long long>(value)) & 0x1F))
                  : byteOf(value);
    return withConnectedBus([&](Bus& bus) {
        std::array<std::uint8_t, 4> record{registerNumber, 0, 0, setting};
        return bus.control({request::DeviceWrite, Direction::Out, colourDevice, registerNumber},
                           record);
    });
}

QLV_EXPORT int32_t QLV_SetHue(int32_t tenths) {
    if (tenths < -1800 || tenths > 1800) {
        return record(failed);
    }
    return withConnectedBus([tenths](Bus& bus) {
        auto records = hueRecords(tenths);
        return bus.control({request::DeviceWrite, Direction::Out, colourDevice, colourHueRegister},
                           records);
    });
}
