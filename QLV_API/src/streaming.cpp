#include "streaming.h"

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

void Streaming::read(std::stop_token stop, std::vector<std::uint8_t*> ring, std::size_t frameBytes,
                     std::size_t readLength) {
    nameThisThread("qlv-reader");
    std::size_t position = 0;
    while (!stop.stop_requested()) {
        consumed_.load(std::memory_order_acquire);
        const auto received = bus_.readFrame({ring[position], readLength}, stop);
        if (!received) {
            break;  // the camera is gone: streaming ends quietly
        }
        // Short, long and empty transfers are dropped; the next frame reuses the slot.
        if (*received != frameBytes) {
            continue;
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
