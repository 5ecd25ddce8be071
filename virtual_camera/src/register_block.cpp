#include "register_block.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vcam {
namespace {

constexpr std::array<std::uint8_t, 4> kTag{'Q', 'L', 'V', '0'};
constexpr std::uint8_t kEndMark[2]{0xFF, 0x03};
constexpr std::size_t kRecordsOffset = 4;
constexpr std::size_t kEndOffset = kRecordsOffset + 4 * kRegisterBlockRecords;  // 116
constexpr std::size_t kHueOffset = kEndOffset + 2;                              // 118

std::uint32_t signMagnitude(int value, int signBit) {
    const auto magnitude = static_cast<std::uint32_t>(std::abs(value)) & 0x3FFu;
    return (value < 0 ? 1u << signBit : 0u) | magnitude << (signBit - 10);
}

// What every mode starts from: the blocks the viewer has built in. Only the exposure differs
// between the two resolutions.
std::vector<RegisterRecord> baseRecords(int resolution) {
    const auto [hue1, hue2] = hueRotationWords(0);
    return {
        {false, 0x106, 0xF81E}, {false, 0x009, resolution == 0 ? 0x0325u : 0x0219u},
        {false, 0x02F, 0x0020}, {false, 0x020, 0x0700},
        {false, 0x105, 0x0003}, {false, 0x13B, 0x042A},
        {false, 0x13C, 0x0400}, {false, 0x153, 0x1E14},
        {false, 0x154, 0x462E}, {false, 0x155, 0x876A},
        {false, 0x156, 0xB7A0}, {false, 0x157, 0xE0CC},
        {false, 0x158, 0x0000}, {false, 0x1DC, 0x1E14},
        {false, 0x1DD, 0x462E}, {false, 0x1DE, 0x876A},
        {false, 0x1DF, 0xB7A0}, {false, 0x1E0, 0xE0CC},
        {false, 0x1E1, 0x0000}, {false, 0x221, 0x8080},
        {false, 0x22E, 0x0C4A}, {false, 0x25B, 0x8002},
        {true, 2, hue1},        {true, 3, hue2},
        {true, 8, 0x000000},    {true, 9, 0x000000},
        {true, 10, 0x000040},   {true, 11, 0x000040},
    };
}

void set(std::vector<RegisterRecord>& records, bool device2, std::uint16_t reg,
         std::uint32_t value) {
    for (auto& record : records) {
        if (record.device2 == device2 && record.reg == reg) {
            record.value = value;
        }
    }
}

void setHue(std::vector<RegisterRecord>& records, int tenths) {
    const auto [first, second] = hueRotationWords(tenths);
    set(records, true, 2, first);
    set(records, true, 3, second);
}

}  // namespace

RegisterBlock encodeRegisterBlock(std::span<const RegisterRecord> records, std::int16_t hueTenths) {
    RegisterBlock block{};
    std::copy(kTag.begin(), kTag.end(), block.begin());
    std::size_t at = kRecordsOffset;
    for (std::size_t i = 0; i < records.size() && i < kRegisterBlockRecords; ++i, at += 4) {
        const RegisterRecord& record = records[i];
        if (record.device2) {
            block[at] = static_cast<std::uint8_t>(0x80 | (record.reg & 0x7F));
            block[at + 1] = static_cast<std::uint8_t>(record.value >> 16);
        } else {
            block[at] = static_cast<std::uint8_t>(record.reg >> 8);
            block[at + 1] = static_cast<std::uint8_t>(record.reg);
        }
        block[at + 2] = static_cast<std::uint8_t>(record.value >> 8);
        block[at + 3] = static_cast<std::uint8_t>(record.value);
    }
    block[at] = kEndMark[0];
    block[at + 1] = kEndMark[1];
    const auto hue = static_cast<std::uint16_t>(hueTenths);
    block[kHueOffset] = static_cast<std::uint8_t>(hue);
    block[kHueOffset + 1] = static_cast<std::uint8_t>(hue >> 8);
    return block;
}

std::optional<std::vector<RegisterRecord>> decodeRegisterBlock(
    std::span<const std::uint8_t> block) {
    if (block.size() < kRegisterBlockSize || !std::equal(kTag.begin(), kTag.end(), block.begin())) {
        return std::nullopt;
    }
    std::vector<RegisterRecord> records;
    for (std::size_t at = kRecordsOffset; at <= kEndOffset; at += 4) {
        if (block[at] == kEndMark[0] && block[at + 1] == kEndMark[1]) {
            return records;
        }
        if (at == kEndOffset) {
            break;
        }
        RegisterRecord record;
        if ((block[at] & 0x80) != 0) {
            record.device2 = true;
            record.reg = block[at] & 0x7F;
            record.value = static_cast<std::uint32_t>(block[at + 1]) << 16;
        } else {
            record.reg = static_cast<std::uint16_t>(block[at] << 8 | block[at + 1]);
        }
        record.value |= static_cast<std::uint32_t>(block[at + 2] << 8 | block[at + 3]);
        records.push_back(record);
    }
    return std::nullopt;  // no end mark: not a block the firmware trusts
}

std::pair<std::uint32_t, std::uint32_t> hueRotationWords(int tenths) {
    const double angle = tenths * std::numbers::pi / 1800.0;
    const int c = static_cast<int>(512.0 * std::cos(angle));
    const int s = static_cast<int>(512.0 * std::sin(angle));
    const int n = static_cast<int>(-512.0 * std::sin(angle));
    return {signMagnitude(c, 22) | signMagnitude(n, 10),
            signMagnitude(s, 22) | signMagnitude(c, 10)};
}

RegisterBlock factoryRegisterBlock(int mode, int resolution) {
    std::vector<RegisterRecord> records = baseRecords(resolution);
    std::int16_t hue = 0;
    // Modes 2 and 3 are tuned for a brighter and a dimmer room than mode 1.
    if (mode == 2) {
        set(records, false, 0x009, resolution == 0 ? 0x0200 : 0x0150);
        set(records, false, 0x22E, 0x0C60);
        set(records, false, 0x13C, 0x0410);
        hue = 50;
    } else if (mode == 3) {
        set(records, false, 0x009, resolution == 0 ? 0x0480 : 0x0300);
        set(records, false, 0x02F, 0x0030);
        set(records, false, 0x22E, 0x0C38);
        set(records, false, 0x13B, 0x0408);
        set(records, false, 0x25B, 0x8001);
        hue = -30;
    }
    setHue(records, hue);
    return encodeRegisterBlock(records, hue);
}

}  // namespace vcam
