#include "bulk_pipe.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "cpu_time.h"
#include "frame_generator.h"
#include "tags.h"
#include "thread_name.h"

namespace vcam {
namespace {

// A host that has not asked for a frame for this long has stopped streaming; the camera idles
// and costs nothing until the next read.
constexpr auto kIdleAfter = std::chrono::seconds(1);
// Keeps the frame clock within what its arithmetic can hold.
constexpr auto kLongestStall = std::chrono::hours(24);

// 0 (realistic) and negative (as fast as possible) stand; a rate is held between one frame in
// 1000 s and 100000 a second.
double saneRate(double framesPerSecond) {
    if (std::isnan(framesPerSecond) || framesPerSecond == 0) {
        return 0;
    }
    return framesPerSecond < 0 ? -1 : std::clamp(framesPerSecond, 0.001, 100'000.0);
}

}  // namespace

BulkPipe::BulkPipe(FrameSource& source, double framesPerSecond)
    : source_(source), framesPerSecond_(saneRate(framesPerSecond)) {}

BulkPipe::~BulkPipe() {
    {
        qlv::MutexLock lock(mutex_);
        connected_ = false;
        failPending();
    }
    readDone_.notify_all();
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

std::optional<std::size_t> BulkPipe::read(std::span<std::uint8_t> buffer,
                                          Clock::time_point deadline, std::stop_token stop,
                                          const std::function<void()>& queued) {
    qlv::UniqueLock lock(mutex_);
    if (!connected_ || takeFailure(faults_.failNextTransfers)) {
        return std::nullopt;
    }
    if (!thread_.joinable()) {
        thread_ = std::jthread([this](std::stop_token cameraStop) { run(std::move(cameraStop)); });
    }
    PendingRead read{buffer};
    pending_.push_back(&read);
    lastDemand_ = Clock::now();
    work_.notify_all();
    if (queued) {
        queued();
    }
    const bool ended = readDone_.wait_until(lock, stop, deadline, [&]() NO_THREAD_SAFETY {
        return read.state != PendingRead::State::Waiting;
    });
    if (!ended) {
        std::erase(pending_, &read);  // cancelled: from here on the camera cannot reach `buffer`
        return 0;
    }
    if (read.state == PendingRead::State::Failed) {
        return std::nullopt;
    }
    return read.bytes;
}

void BulkPipe::connect() {
    {
        qlv::MutexLock lock(mutex_);
        connected_ = true;
        restartClock_ = true;
    }
    work_.notify_all();
}

void BulkPipe::disconnect() {
    {
        qlv::MutexLock lock(mutex_);
        connected_ = false;
        failPending();
    }
    readDone_.notify_all();
    work_.notify_all();
}

void BulkPipe::setFramesPerSecond(double framesPerSecond) {
    {
        qlv::MutexLock lock(mutex_);
        framesPerSecond_ = saneRate(framesPerSecond);
        restartClock_ = true;
    }
    work_.notify_all();
}

double BulkPipe::framesPerSecond() const {
    qlv::MutexLock lock(mutex_);
    return framesPerSecond_;
}

void BulkPipe::injectFrameFault(FrameFault fault) {
    qlv::MutexLock lock(mutex_);
    faults_.nextFrame = fault;
}

void BulkPipe::stall(std::chrono::milliseconds duration) {
    {
        qlv::MutexLock lock(mutex_);
        const auto added = std::clamp<std::chrono::milliseconds>(duration, {}, kLongestStall);
        faults_.stall = std::min<std::chrono::milliseconds>(faults_.stall + added, kLongestStall);
    }
    work_.notify_all();
}

void BulkPipe::unplugDuringNextTransfer() {
    qlv::MutexLock lock(mutex_);
    faults_.unplugDuringNextTransfer = true;
}

void BulkPipe::failNextTransfers(int count) {
    qlv::MutexLock lock(mutex_);
    faults_.failNextTransfers = std::max(count, 0);
}

StreamStats BulkPipe::stats() const {
    StreamStats stats;
    {
        qlv::MutexLock lock(mutex_);
        stats.framesSent = sent_;
        stats.framesDelivered = delivered_;
    }
    stats.cameraCpuTime = std::chrono::nanoseconds(cameraCpuNanoseconds_.load());
    return stats;
}

int BulkPipe::pendingReads() const {
    qlv::MutexLock lock(mutex_);
    return static_cast<int>(pending_.size());
}

// A camera paced by its own clock keeps sending for a while after the last read,
// as a real one would; at "as fast as possible" it only sends into a waiting read.
bool BulkPipe::wantsFrames(Clock::time_point now) const {
    if (!connected_) {
        return false;
    }
    return !pending_.empty() || (framesPerSecond_ >= 0 && now - lastDemand_ < kIdleAfter);
}

void BulkPipe::failPending() {
    for (PendingRead* read : pending_) {
        read->state = PendingRead::State::Failed;
    }
    pending_.clear();
}

void BulkPipe::run(std::stop_token stop) {
    nameThisThread("vcam-stream");
    const Clock::time_point sceneStart = Clock::now();
    FrameGenerator generator;
    std::span<std::uint8_t> frame;  // the last frame produced; held unchanged while frozen
    Geometry frameGeometry{0, 0};
    bool clockRunning = false;
    Clock::time_point due{};  // the next frame's time while the clock runs

    qlv::UniqueLock lock(mutex_);
    while (!stop.stop_requested()) {
        cameraCpuNanoseconds_ = threadCpuTime().count();
        if (!wantsFrames(Clock::now())) {
            clockRunning = false;
            if (!work_.wait(lock, stop,
                            [&]() NO_THREAD_SAFETY { return wantsFrames(Clock::now()); })) {
                break;
            }
        }
        if (std::exchange(restartClock_, false)) {
            clockRunning = false;
        }
        const double framesPerSecond = framesPerSecond_;
        lock.unlock();
        const FrameSource::State state = source_.frameState();
        lock.lock();

        const Clock::time_point now = Clock::now();
        Clock::time_point when = now;
        Clock::duration period{};
        if (framesPerSecond >= 0) {
            const double rate =
                framesPerSecond > 0 ? framesPerSecond : realisticFramesPerSecond(state.geometry);
            period = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(1.0 / rate));
            if (!clockRunning) {
                due = now + period;  // a camera starting up needs one frame time to expose
                clockRunning = true;
            }
            when = due;
        }
        if (faults_.stall.count() > 0) {
            when += faults_.stall;
            if (clockRunning) {
                due += faults_.stall;  // the whole clock slips, as after a sensor hiccup
            }
            faults_.stall = {};
        }
        const auto sequence = static_cast<std::uint32_t>(sent_ + 1);
        lock.unlock();

        // Render outside the lock: control requests and cancellations never wait for a picture.
        if (!state.frozen || frameGeometry != state.geometry) {
            const std::chrono::duration<double> sceneTime = now - sceneStart;
            frame = generator.render(state.geometry, {sceneTime.count(), sequence, state.picture});
            stampTags(frame, state.geometry.width, state.geometry.height, sequence);
            frameGeometry = state.geometry;
        }
        cameraCpuNanoseconds_ = threadCpuTime().count();

        lock.lock();
        const bool replan = work_.wait_until(lock, stop, when, [&]() NO_THREAD_SAFETY {
            return restartClock_ || faults_.stall.count() > 0 || !connected_;
        });
        if (replan || stop.stop_requested()) {
            continue;
        }
        if (framesPerSecond < 0 && pending_.empty()) {
            continue;  // the read went away while the frame waited for a stall
        }
        ++sent_;
        if (clockRunning) {
            due = std::max(due + period, Clock::now());  // a late thread catches up, no burst
        }
        if (!pending_.empty()) {
            deliver(frame);
        }
    }
}

// Lets the lock go while the cable is pulled.
void BulkPipe::deliver(std::span<const std::uint8_t> frame) {
    PendingRead& read = *pending_.front();
    if (std::exchange(faults_.unplugDuringNextTransfer, false)) {
        // Part of the frame lands, then the cable goes; unplugging fails the read, which stays
        // pending until then, so the host sees the camera gone by the time its read fails.
        const std::size_t part = std::min(frame.size() / 2, read.buffer.size());
        std::copy_n(frame.begin(), part, read.buffer.begin());
        mutex_.unlock();
        source_.cablePulled();
        mutex_.lock();
        return;
    }
    pending_.pop_front();

    std::size_t bytes = frame.size();
    switch (std::exchange(faults_.nextFrame, FrameFault::None)) {
        case FrameFault::Short:
            bytes = bytes > 0 ? bytes - 1 : 0;
            break;
        case FrameFault::Long:
            ++bytes;
            break;
        case FrameFault::ZeroLength:
            bytes = 0;
            break;
        case FrameFault::None:
            break;
    }
    // A frame larger than the host asked for fills the buffer; the rest of it is lost.
    bytes = std::min(bytes, read.buffer.size());
    const std::size_t fromFrame = std::min(bytes, frame.size());
    std::copy_n(frame.begin(), fromFrame, read.buffer.begin());
    std::fill(read.buffer.begin() + static_cast<std::ptrdiff_t>(fromFrame),
              read.buffer.begin() + static_cast<std::ptrdiff_t>(bytes), std::uint8_t{0});
    read.bytes = bytes;
    read.state = PendingRead::State::Done;
    ++delivered_;
    readDone_.notify_all();
}

}  // namespace vcam
