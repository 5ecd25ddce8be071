// Which of the controller's buffers holds the newest frame.
#pragma once

#include <cstdint>

namespace viewer {

inline constexpr int kFrameBuffers = 5;

// Slot of the newest frame after `completed` frames: (completed - 1) modulo 5, 4 for 0.
constexpr int newestSlot(std::int32_t completed) noexcept {
    const int slot = static_cast<int>((static_cast<std::int64_t>(completed) - 1) % kFrameBuffers);
    return slot < 0 ? slot + kFrameBuffers : slot;
}

}  // namespace viewer
