// The registers of the two devices behind the USB controller: device 1, the image sensor (16-bit
// registers at 16-bit numbers), and device 2 (24-bit values at 7-bit numbers).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "register_block.h"

namespace vcam {

class DeviceRegisters {
public:
    DeviceRegisters();

    // Power-on state: the chips' reset values, then the records of the mode's register block.
    void powerOn(std::span<const RegisterRecord> block);

    // Device 1 transfers cover consecutive registers, two bytes each, most significant first.
    // False (nothing touched) for an odd length or a range past register 0xFFFF.
    bool readDevice1(std::uint16_t first, std::span<std::uint8_t> out) const;
    bool writeDevice1(std::uint16_t first, std::span<const std::uint8_t> in);
    // Device 2 transfers are 4-byte records: register number, then the value most significant
    // first. A write names each record's register itself and the first must be `first`; a read
    // answers records for consecutive registers from `first`.
    bool readDevice2(std::uint16_t first, std::span<std::uint8_t> out) const;
    bool writeDevice2(std::uint16_t first, std::span<const std::uint8_t> in);

    std::uint16_t device1(std::uint16_t reg) const { return device1_[reg]; }
    std::uint32_t device2(std::uint8_t reg) const {
        return reg < device2_.size() ? device2_[reg] : 0;
    }

private:
    std::vector<std::uint16_t> device1_;  // all 65536 registers
    std::array<std::uint32_t, 128> device2_{};
};

}  // namespace vcam
