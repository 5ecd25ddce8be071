// The bulk IN pipe: the camera's own thread produces frames on a steady clock while a host is
// streaming and, like DMA, writes each one straight into the buffer of the read that is waiting.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <thread>

#include "faults.h"
#include "geometry.h"
#include "picture_settings.h"
#include "thread_annotations.h"
#include "virtual_camera/virtual_camera.h"

namespace vcam {

// What the pipe needs from the rest of the camera. Called from the camera's thread, never with the
// pipe's lock held.
class FrameSource {
public:
    struct State {
        Geometry geometry;
        bool frozen = false;
        PictureSettings picture;  // the registers' settings as the frame is taken
    };
    virtual State frameState() = 0;
    // The cable came out in the middle of a transfer (an armed fault): the camera unplugs, which
    // must disconnect the pipe and so fail the read in flight.
    virtual void cablePulled() = 0;

protected:
    ~FrameSource() = default;
};

class BulkPipe {
public:
    using Clock = std::chrono::steady_clock;

    BulkPipe(FrameSource& source, double framesPerSecond);
    ~BulkPipe();
    BulkPipe(const BulkPipe&) = delete;
    BulkPipe& operator=(const BulkPipe&) = delete;

    // One bulk read, as VirtualCamera::bulkIn describes it.
    std::optional<std::size_t> read(std::span<std::uint8_t> buffer, Clock::time_point deadline,
                                    std::stop_token stop, const std::function<void()>& queued);

    // Without a connection every read fails, pending ones at once.
    void connect();
    void disconnect();

    void setFramesPerSecond(double framesPerSecond);
    double framesPerSecond() const;
    void injectFrameFault(FrameFault fault);
    void stall(std::chrono::milliseconds duration);
    void unplugDuringNextTransfer();
    void failNextTransfers(int count);

    StreamStats stats() const;
    int pendingReads() const;

private:
    struct PendingRead {
        enum class State { Waiting, Done, Failed };
        std::span<std::uint8_t> buffer;
        State state = State::Waiting;
        std::size_t bytes = 0;
    };

    void run(std::stop_token stop);
    bool wantsFrames(Clock::time_point now) const REQUIRES(mutex_);
    void deliver(std::span<const std::uint8_t> frame) REQUIRES(mutex_);
    void failPending() REQUIRES(mutex_);

    FrameSource& source_;

    mutable qlv::Mutex mutex_;
    std::condition_variable_any readDone_;  // host threads wait here for their read to end
    std::condition_variable_any work_;      // the camera's thread waits here for demand or time
    // The camera touches a host's buffer only while its read is in pending_, and only under the
    // lock, so a read taken out of pending_ is never written again.
    std::deque<PendingRead*> pending_ GUARDED_BY(mutex_);
    bool connected_ GUARDED_BY(mutex_) = true;
    double framesPerSecond_ GUARDED_BY(mutex_);
    bool restartClock_ GUARDED_BY(mutex_) = false;
    StreamFaults faults_ GUARDED_BY(mutex_);
    std::uint64_t sent_ GUARDED_BY(mutex_) = 0;
    std::uint64_t delivered_ GUARDED_BY(mutex_) = 0;
    Clock::time_point lastDemand_ GUARDED_BY(mutex_){};

    std::atomic<std::int64_t> cameraCpuNanoseconds_{0};  // published by the camera's thread
    std::jthread thread_;  // started by the first read (under mutex_), joined by the destructor
};

}  // namespace vcam
