#include "firmware_state.h"

#include <optional>
#include <span>

#include "register_block.h"

namespace vcam {

void FirmwareState::powerOn() {
    resolution = 0;
    freeze = 0;
    busyUntil = {};
    i2c.reset();
    // The firmware loads its mode's 640-wide block; a block it cannot read leaves reset values.
    const std::size_t address = Eeprom::kRegisterBlocks + kRegisterBlockSize * (mode - 1u);
    const auto block = decodeRegisterBlock(eeprom.bytes().subspan(address, kRegisterBlockSize));
    registers.powerOn(block ? std::span<const RegisterRecord>(*block)
                            : std::span<const RegisterRecord>());
}

std::array<std::uint8_t, 5> FirmwareState::status(Clock::time_point now) const {
    const bool busy = faults.staysBusy || now < busyUntil;
    return {mode, resolution, freeze, static_cast<std::uint8_t>(busy ? 1 : 0), 0};
}

}  // namespace vcam
