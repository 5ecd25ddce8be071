// The two display bitmaps the converter fills in turn, and what readers need to find the newest.
//
// The converter writes bitmap (counter AND 1) and only then increments the counter; readers take
// bitmap ((NOT counter) AND 1). Each bitmap has its own lock, held while it is written or read:
// the two sides normally use different bitmaps and never wait, and a reader slower than a frame
// interval holds the converter back instead of seeing its bitmap rewritten under it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "frame_memory.h"

namespace qlv {

struct DisplayBitmaps {
    explicit DisplayBitmaps(FrameMemory& frameMemory) : memory(frameMemory) {}

    // A bitmap with its lock held for as long as the view lives.
    struct View {
        std::unique_lock<std::mutex> lock;
        std::uint8_t* bitmap;
    };
    // The newest finished bitmap, for readers.
    View newest() {
        const auto index = static_cast<std::size_t>(~counter.load(std::memory_order_acquire) & 1);
        return {std::unique_lock(locks[index]), memory.displayBitmaps[index].data()};
    }
    // The bitmap the converter writes next.
    View next() {
        const auto index = static_cast<std::size_t>(counter.load(std::memory_order_relaxed) & 1);
        return {std::unique_lock(locks[index]), memory.displayBitmaps[index].data()};
    }

    FrameMemory& memory;
    std::array<std::mutex, 2> locks;
    // Held while the raw frame buffer is written or read.
    std::mutex rawLock;
    std::atomic<std::int32_t> counter{0};   // bitmaps made since the converter started
    std::atomic<bool> frameReady{false};    // set once the first bitmap of a run is made
    std::atomic<int> width{maxFrameWidth};  // geometry of the stream being converted
    std::atomic<int> height{maxFrameHeight};
};

}  // namespace qlv
