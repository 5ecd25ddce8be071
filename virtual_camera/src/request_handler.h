// The firmware's decoding of vendor control requests on endpoint 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "firmware_state.h"
#include "virtual_camera/virtual_camera.h"

namespace vcam {

// Answers one request against the firmware's state: the bytes transferred, or nullopt when the
// firmware stalls it (unknown request, wrong direction, bad length or range). A stalled request
// changes nothing.
std::optional<std::size_t> handleRequest(FirmwareState& state, const SetupPacket& setup,
                                         std::span<std::uint8_t> data,
                                         FirmwareState::Clock::time_point now);

}  // namespace vcam
