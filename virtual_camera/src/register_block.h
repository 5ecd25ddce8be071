// The 512-byte "QLV0" register block: sensor defaults for one camera mode and resolution, kept in
// the EEPROM and loaded into the devices when the camera powers up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace vcam {

inline constexpr std::size_t kRegisterBlockSize = 512;
inline constexpr std::size_t kRegisterBlockRecords = 28;
using RegisterBlock = std::array<std::uint8_t, kRegisterBlockSize>;

struct RegisterRecord {
    bool device2 = false;
    std::uint16_t reg = 0;    // device 2 registers are 7 bits wide
    std::uint32_t value = 0;  // 16 bits for device 1, 24 bits for device 2
};

// Records (at most 28) followed by the end mark and the hue; the rest of the block is zero.
RegisterBlock encodeRegisterBlock(std::span<const RegisterRecord> records, std::int16_t hueTenths);
// The records of a block, or nullopt when the block is not a register block.
std::optional<std::vector<RegisterRecord>> decodeRegisterBlock(std::span<const std::uint8_t> block);

// Device 2 registers 2 and 3: the colour-difference rotation for a hue in tenths of a degree, each
// word two sign-and-magnitude numbers scaled by 512.
std::pair<std::uint32_t, std::uint32_t> hueRotationWords(int tenths);

// The block the factory stores for a mode (1..3) and resolution (0 = 640 wide, 1 = 1280 x 1024).
RegisterBlock factoryRegisterBlock(int mode, int resolution);

}  // namespace vcam
