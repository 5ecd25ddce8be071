// Streaming: the reader thread moves whole frames from the bulk pipe into a ring of buffers and
// releases the frame semaphore once per complete frame.
//
// The ring is shared without a lock. The reader writes only the slot at its position; a consumer
// that woke on the semaphore reads slot (k - 1) mod ring size, where k = completedFrames(), and
// has ring size - 1 frame times before the reader comes back to it. The semaphore release after
// the count update publishes the frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

#include "frame_geometry.h"

namespace qlv {

class Bus;
struct FrameMemory;
class FrameSemaphore;

class Streaming {
public:
    static constexpr int maxRegisteredBuffers = 128;

    enum class BufferMode : std::uint32_t { Internal = 0, Registered = 1 };

    // `onReaderEnd` runs on the reader thread as it ends, before it wakes the consumer.
    Streaming(Bus& bus, FrameMemory& memory, FrameSemaphore& semaphore,
              std::function<void()> onReaderEnd);
    ~Streaming();
    Streaming(const Streaming&) = delete;
    Streaming& operator=(const Streaming&) = delete;

    // ---- Controlling thread ----
    // Starts the reader for frames of `geometry` when the camera is connected and there is a
    // ring to fill; the reader must be stopped. True when a reader runs.
    bool start(FrameGeometry geometry);
    // Ends the reader and waits for it; the completed-frame count keeps its value.
    void stop();
    // False while streaming.
    bool setBufferMode(BufferMode mode);
    BufferMode bufferMode() const { return bufferMode_.load(); }
    // Takes effect at the next start. False for more than 128 buffers or a missing buffer.
    bool registerBuffers(std::span<void* const> buffers);
    void unregisterBuffers();

    // ---- Any thread ----
    bool streaming() const { return streaming_.load(); }
    std::int32_t completedFrames() const { return completed_.load(std::memory_order_acquire); }
    bool newData() const { return newData_.load(std::memory_order_acquire); }
    FrameGeometry geometry() const;
    // Slot `index` of the internal ring (mode 0), for the library's own consumer.
    std::uint8_t* internalSlot(int index) const;
    // The library's own consumer says it has finished copying a slot. The reader reads this mark
    // before each read, which orders the copy before the slot's reuse for the memory model (and
    // its checkers); it never waits on it.
    void markConsumed() { consumed_.fetch_add(1, std::memory_order_release); }

    // The last freeze flag the library knows of (status byte 2).
    std::atomic<std::int32_t> freezeMirror{0};

private:
    void read(std::stop_token stop, std::vector<std::uint8_t*> ring, std::size_t frameBytes,
              std::size_t readLength);

    Bus& bus_;
    FrameMemory& memory_;
    FrameSemaphore& semaphore_;
    std::function<void()> onReaderEnd_;

    std::atomic<BufferMode> bufferMode_{BufferMode::Internal};
    std::vector<std::uint8_t*> registered_;  // controlling thread only

    std::atomic<bool> streaming_{false};
    std::atomic<std::int32_t> completed_{0};
    std::atomic<bool> newData_{false};
    std::atomic<std::uint32_t> consumed_{0};
    std::atomic<int> width_{1280};
    std::atomic<int> height_{1024};

    std::jthread reader_;  // controlling thread only
};

}  // namespace qlv
