#include "camera/register_block.h"

#include <utility>

namespace viewer {
namespace {

struct Record {
    std::uint16_t reg;
    std::uint16_t value;
};

// Device 1 records (register, value), then device 2's; the two blocks differ only in the
// exposure (register 0x009).
constexpr std::array<Record, 22> kDevice1Records{{
    {0x106, 0xF81E}, {0x009, 0x0325}, {0x02F, 0x0020}, {0x020, 0x0700}, {0x105, 0x0003},
    {0x13B, 0x042A}, {0x13C, 0x0400}, {0x153, 0x1E14}, {0x154, 0x462E}, {0x155, 0x876A},
    {0x156, 0xB7A0}, {0x157, 0xE0CC}, {0x158, 0x0000}, {0x1DC, 0x1E14}, {0x1DD, 0x462E},
    {0x1DE, 0x876A}, {0x1DF, 0xB7A0}, {0x1E0, 0xE0CC}, {0x1E1, 0x0000}, {0x221, 0x8080},
    {0x22E, 0x0C4A}, {0x25B, 0x8002},
}};

// Device 2: registers 2 and 3 hold the hue rotation for 0 degrees, 8 to 11 the chroma offsets
// and gains; values are 24 bits.
constexpr std::array<std::pair<std::uint8_t, std::uint32_t>, 6> kDevice2Records{{
    {2, 0x200000},
    {3, 0x000200},
    {8, 0x000000},
    {9, 0x000000},
    {10, 0x000040},
    {11, 0x000040},
}};

constexpr RegisterBlock makeBlock(std::uint16_t exposure) {
    RegisterBlock block{};
    block[0] = 'Q';
    block[1] = 'L';
    block[2] = 'V';
    block[3] = '0';
    std::size_t at = 4;
    for (Record record : kDevice1Records) {
        const std::uint16_t value = record.reg == 0x009 ? exposure : record.value;
        block[at++] = static_cast<std::uint8_t>(record.reg >> 8);
        block[at++] = static_cast<std::uint8_t>(record.reg);
        block[at++] = static_cast<std::uint8_t>(value >> 8);
        block[at++] = static_cast<std::uint8_t>(value);
    }
    for (auto [reg, value] : kDevice2Records) {
        block[at++] = static_cast<std::uint8_t>(0x80 | reg);
        block[at++] = static_cast<std::uint8_t>(value >> 16);
        block[at++] = static_cast<std::uint8_t>(value >> 8);
        block[at++] = static_cast<std::uint8_t>(value);
    }
    block[116] = 0xFF;  // end mark
    block[117] = 0x03;
    return block;  // hue 0 and the rest zero
}

constexpr RegisterBlock kBlock640 = makeBlock(0x0325);
constexpr RegisterBlock kBlock1280 = makeBlock(0x0219);

int word(std::span<const std::uint8_t, kRegisterBlockBytes> block, std::size_t at) {
    return block[at] * 256 + block[at + 1];
}

}  // namespace

const RegisterBlock& builtInRegisterBlock(int resolutionMode) noexcept {
    return resolutionMode == 0 ? kBlock640 : kBlock1280;
}

bool isValidRegisterBlock(std::span<const std::uint8_t, kRegisterBlockBytes> block) noexcept {
    return block[0] == 'Q' && block[1] == 'L' && block[2] == 'V' && block[3] == '0' &&
           block[116] == kBlock640[116] && block[117] == kBlock640[117];
}

CameraDefaults defaultsOf(std::span<const std::uint8_t, kRegisterBlockBytes> block) noexcept {
    CameraDefaults d;
    d.brightness = block[87];
    d.hue = static_cast<std::int16_t>(block[118] | block[119] << 8);
    const int contrast = (block[26] & 3) * 256 + block[27];
    d.contrast = contrast != 0 ? -contrast : (block[30] & 3) * 256 + block[31];
    d.exposure = word(block, 10);
    d.exposureFactor = (block[15] & 0x80) != 0 ? (block[15] & 0x7F) * 2 : word(block, 14);
    d.ae = (block[6] >> 6) & 1;
    d.flicker = block[91];
    return d;
}

}  // namespace viewer
