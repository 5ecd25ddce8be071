// The two display bitmaps the converter fills in turn, and what readers need to find the newest.
//
// The converter writes bitmap (counter AND 1) and only then increments the counter; readers take
// bitmap ((NOT counter) AND 1). The pair is not locked: a reader slower than one frame interval
// may see a bitmap being rewritten.
#pragma once

#include <atomic>
#include <cstdint>

#include "frame_memory.h"

namespace qlv {

struct DisplayBitmaps {
    explicit DisplayBitmaps(FrameMemory& frameMemory) : memory(frameMemory) {}

    std::uint8_t* newest() const {
        const auto index = static_cast<std::size_t>(~counter.load(std::memory_order_acquire) & 1);
        return memory.displayBitmaps[index].data();
    }
    std::uint8_t* next() const {
        const auto index = static_cast<std::size_t>(counter.load(std::memory_order_relaxed) & 1);
        return memory.displayBitmaps[index].data();
    }

    FrameMemory& memory;
    std::atomic<std::int32_t> counter{0};   // bitmaps made since the converter started
    std::atomic<bool> frameReady{false};    // set once the first bitmap of a run is made
    std::atomic<int> width{maxFrameWidth};  // geometry of the stream being converted
    std::atomic<int> height{maxFrameHeight};
};

}  // namespace qlv
