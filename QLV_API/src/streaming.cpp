#include "streaming.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "bus.h"
#include "frame_memory.h"
#include "frame_semaphore.h"
#include "thread_name.h"

namespace qlv {

Streaming::Streaming(Bus& bus, FrameMemory& memory, FrameSemaphore& semaphore,
                     std::function<void()> onReaderEnd)
    : bus_(bus), memory_(memory), semaphore_(semaphore), onReaderEnd_(std::move(onReaderEnd)) {}

Streaming::~Streaming() {
    stop();
}

FrameGeometry Streaming::geometry() const {
    return {width_.load(), height_.load()};
}

std::uint8_t* Streaming::internalSlot(int index) const {
    return memory_.internalRing[static_cast<std::size_t>(index % internalRingSize)].data();
}

bool Streaming::setBufferMode(BufferMode mode) {
    if (streaming_) {
        return false;
    }
    bufferMode_ = mode;
    return true;
}

bool Streaming::registerBuffers(std::span<void* const> buffers) {
    if (buffers.size() > maxRegisteredBuffers) {
        return false;
    }
    std::vector<std::uint8_t*> list;
    list.reserve(buffers.size());
    for (void* buffer : buffers) {
        // The reader would write through a null slot.
        if (buffer == nullptr) {
            return false;
        }
        list.push_back(static_cast<std::uint8_t*>(buffer));
    }
    registered_ = std::move(list);
    return true;
}

void Streaming::unregisterBuffers() {
    registered_.clear();
}

bool Streaming::start(FrameGeometry geometry) {
    std::vector<std::uint8_t*> ring;
    if (bufferMode_ == BufferMode::Registered) {
        ring = registered_;
    } else {
        for (auto& slot : memory_.internalRing) {
            ring.push_back(slot.data());
        }
    }
    if (!bus_.connected() || ring.empty()) {
        return false;
    }
    width_ = geometry.width;
    height_ = geometry.height;

    // A consumer must never wake for a frame of an earlier stream.
    semaphore_.drain();
    completed_.store(0, std::memory_order_release);
    newData_ = false;
    streaming_ = true;
    reader_ = std::jthread([this, ring = std::move(ring), frameBytes = geometry.frameBytes(),
                            readLength = geometry.readLength()](std::stop_token stop) mutable {
        read(std::move(stop), std::move(ring), frameBytes, readLength);
    });
    return true;
}

void Streaming::stop() {
    // The stop request cancels a bulk read in flight; join waits until the buffer is released.
    if (reader_.joinable()) {
        reader_.request_stop();
        reader_.join();
    }
}

namespace {

// The slot for the next read. The oldest read goes into `position`, the slot of the next counted
// frame; any other read takes a free slot among the next ring size - 2, so that neither the
// consumer's slot (position - 1) nor `position`, into which a whole frame that arrived elsewhere
// is copied, is ever being read into.
std::size_t slotForNextRead(const std::deque<std::size_t>& queued, std::size_t position,
                            std::size_t ringSize) {
    if (queued.empty()) {
        return position;
    }
    for (std::size_t step = 1; step + 1 < ringSize; ++step) {
        const std::size_t slot = (position + step) % ringSize;
        if (std::find(queued.begin(), queued.end(), slot) == queued.end()) {
            return slot;
        }
    }
    return ringSize;  // none free: cannot happen with depth 2 and three slots or more
}

}  // namespace

void Streaming::read(std::stop_token stop, std::vector<std::uint8_t*> ring, std::size_t frameBytes,
                     std::size_t readLength) {
    nameThisThread("qlv-reader");
    // A second read waits on the pipe while a frame is handed on, so a frame that arrives
    // meanwhile is not lost. Reads are queued in the slots after the newest frame's, which the
    // consumer has ring size - 1 frame times to leave; with fewer than three slots there is no
    // room for a second read.
    const std::size_t depth = ring.size() >= 3 ? 2 : 1;
    const auto reads = bus_.openFrameReads();
    std::size_t position = 0;
    std::deque<std::size_t> queued;  // slots of the reads waiting on the pipe, oldest first
    while (reads && !stop.stop_requested()) {
        consumed_.load(std::memory_order_acquire);
        bool submitted = true;
        while (queued.size() < depth && submitted) {
            const std::size_t slot = slotForNextRead(queued, position, ring.size());
            submitted = slot < ring.size() && reads->submit({ring[slot], readLength});
            if (submitted) {
                queued.push_back(slot);
            }
        }
        if (!submitted) {
            break;  // the camera is gone: streaming ends quietly
        }
        const auto received = reads->next(Bus::bulkReadLimit, stop);
        if (!received) {
            break;
        }
        const std::size_t slot = queued.front();
        if (reads->pending() + 1 == queued.size()) {
            queued.pop_front();
        } else {
            queued.clear();  // cancelled after the limit or a stop
        }
        // Short and long transfers are dropped; the next whole frame still goes to `position`.
        if (*received != frameBytes) {
            continue;
        }
        if (slot != position) {
            // A frame that followed a dropped one: it belongs in the slot of the next count.
            std::memcpy(ring[position], ring[slot], frameBytes);
        }
        completed_.fetch_add(1, std::memory_order_release);
        position = (position + 1) % ring.size();
        newData_.store(true, std::memory_order_release);
        semaphore_.release();
    }
    streaming_ = false;
    onReaderEnd_();
    // Wakes a waiting consumer, which then sees the stream has ended.
    semaphore_.release();
}

}  // namespace qlv
