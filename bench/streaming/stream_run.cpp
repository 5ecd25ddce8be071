#include "stream_run.h"

#include <QLV_API.h>

#include "frame_wait.h"

#include <pthread.h>
#include <semaphore.h>
#include "camera_wait.h"

#include <atomic>
#include <ctime>
#include <future>
#include <thread>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "frame_tally.h"
#include "thread_cpu.h"
#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int bufferCount = 5;
constexpr std::int32_t stateStreaming = 2;

double milliseconds(std::chrono::nanoseconds time) {
    return std::chrono::duration<double, std::milli>(time).count();
}

bool streaming() {
    std::int32_t state = 0;
    QLV_CheckRecording(&state);
    return (state & stateStreaming) != 0;
}

// The viewer's acquisition thread without the conversion: waits up to 50 ms on the semaphore,
// takes the newest slot, and ends by itself when the stream ends.
class Consumer {
public:
    Consumer(sem_t* semaphore, const std::vector<std::vector<std::uint8_t>>& buffers, int width,
             int height)
        : semaphore_(semaphore), buffers_(buffers), width_(width), height_(height) {
        thread_ = std::thread([this] { run(); });
    }
    ~Consumer() { finish(std::chrono::seconds(0)); }
    Consumer(const Consumer&) = delete;
    Consumer& operator=(const Consumer&) = delete;

    // Waits up to `limit` for the consumer to see the stream end, then stops it. False when it
    // had to be stopped.
    bool finish(std::chrono::seconds limit) {
        const bool sawEnd = ended_.wait_for(limit) == std::future_status::ready;
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return sawEnd;
    }

    // After finish().
    const qlvctl::FrameTally& tally() const { return tally_; }

    // While the thread runs.
    std::chrono::nanoseconds cpuTime() {
        clockid_t clock{};
        timespec now{};
        if (pthread_getcpuclockid(thread_.native_handle(), &clock) != 0 ||
            clock_gettime(clock, &now) != 0) {
            return std::chrono::nanoseconds{0};
        }
        return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
    }

private:
    void run() {
        pthread_setname_np(pthread_self(), "bench-consumer");
        const auto frameBytes =
            static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 2;
        std::int32_t seen = 0;
        while (!stop_) {
            const bool woke = qlv::waitForFrame(semaphore_, std::chrono::milliseconds(50));
            const std::int32_t completed = QLV_GetBufferIndex();
            if (woke && completed > seen) {
                const auto& slot =
                    buffers_[static_cast<std::size_t>((completed - 1) % bufferCount)];
                tally_.addFrame(completed, {slot.data(), frameBytes}, width_, height_);
                seen = completed;
                continue;
            }
            // The end's wake can come a moment before the stream is marked ended, so a quiet
            // 50 ms is checked as well.
            if (!streaming()) {
                endedPromise_.set_value();
                return;
            }
        }
    }

    sem_t* semaphore_;
    const std::vector<std::vector<std::uint8_t>>& buffers_;
    int width_;
    int height_;
    std::atomic<bool> stop_{false};
    std::promise<void> endedPromise_;
    std::future<void> ended_ = endedPromise_.get_future();
    qlvctl::FrameTally tally_;
    std::thread thread_;
};

// The library for one run, on its own camera.
class LibrarySession {
public:
    explicit LibrarySession(std::shared_ptr<vcam::VirtualCamera> camera) {
        qlv::setTransportFactoryForTesting(
            [camera] { return std::make_unique<qlv::VirtualTransport>(camera); });
        started_ = QLV_Init() == 0;
    }
    ~LibrarySession() {
        if (started_) {
            QLV_Term();
        }
        qlv::setTransportFactoryForTesting({});
    }
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

StreamFigures failure(std::string problem) {
    StreamFigures figures;
    figures.problem = std::move(problem);
    return figures;
}

struct Sample {
    Clock::time_point time;
    std::map<pid_t, ThreadCpu> libraryThreads;
    std::chrono::nanoseconds cameraCpu{0};
    std::chrono::nanoseconds consumerCpu{0};
    std::int32_t framesInRing = 0;
};

Sample sample(const vcam::VirtualCamera& camera, Consumer& consumer) {
    return {Clock::now(), threadsNamed("qlv-"), camera.streamStats().cameraCpuTime,
            consumer.cpuTime(), QLV_GetBufferIndex()};
}

}  // namespace

StreamFigures runStream(const StreamSetup& setup) {
    vcam::Options options;
    options.framesPerSecond = setup.framesPerSecond;
    const auto camera = std::make_shared<vcam::VirtualCamera>(options);

    const LibrarySession session(camera);
    if (!session.started()) {
        return failure("QLV_Init failed");
    }
    if (!waitForCamera()) {
        return failure("the virtual camera did not connect");
    }

    StreamFigures figures;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bufferBytes = 0;
    if (QLV_GetDispSize(setup.resolution, &width, &height, &bufferBytes) != 0) {
        return failure("QLV_GetDispSize failed");
    }
    figures.width = width;
    figures.height = height;
    figures.frameBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;

    std::vector<std::vector<std::uint8_t>> buffers(
        bufferCount, std::vector<std::uint8_t>(static_cast<std::size_t>(bufferBytes)));
    std::vector<void*> slots;
    for (auto& buffer : buffers) {
        slots.push_back(buffer.data());
    }
    QLV_HANDLE handle = nullptr;
    if (QLV_DispMode(1) != 0 || QLV_RegisterBuffer(bufferCount, slots.data()) != 0 ||
        QLV_GetDataSemaphoHandle(&handle) != 0) {
        return failure("setting up buffer mode 1 failed");
    }

    const vcam::StreamStats atStart = camera->streamStats();
    QLV_RecordStart(setup.resolution);
    if (!streaming()) {
        return failure("the stream did not start");
    }
    // Started after the stream, as it takes "not streaming" for the stream's end; the semaphore
    // keeps the count of frames that completed before it waits.
    Consumer consumer(static_cast<sem_t*>(handle), buffers, width, height);

    // CPU is sampled while the stream runs, so thread start and end stay out of it.
    const Sample before = sample(*camera, consumer);
    std::this_thread::sleep_for(setup.length);
    const Sample after = sample(*camera, consumer);

    // Pulling the cable ends the stream at a defined point: the camera sends nothing more, so every
    // frame it sent can be followed to the ring and to the consumer. (After QLV_RecordStop a paced
    // camera would go on sending for a while into no read.)
    camera->unplug();
    const bool consumerSawEnd = consumer.finish(std::chrono::seconds(5));
    QLV_RecordStop();
    QLV_UnregisterBuffer();
    if (!consumerSawEnd) {
        return failure("the consumer did not see the stream end");
    }
    const vcam::StreamStats atEnd = camera->streamStats();

    figures.seconds = std::chrono::duration<double>(after.time - before.time).count();
    figures.framesSent = atEnd.framesSent - atStart.framesSent;
    figures.framesDelivered = atEnd.framesDelivered - atStart.framesDelivered;
    figures.framesInRing = static_cast<std::uint64_t>(QLV_GetBufferIndex());
    figures.framesInRingWhileSampled =
        static_cast<std::uint64_t>(after.framesInRing - before.framesInRing);
    figures.framesSeen = consumer.tally().received();
    figures.framesDropped = consumer.tally().dropped();
    figures.framesTorn = consumer.tally().torn();
    figures.libraryCpuByThread = cpuBetween(before.libraryThreads, after.libraryThreads);
    for (const auto& [name, use] : figures.libraryCpuByThread) {
        figures.libraryCpu.milliseconds += use.milliseconds;
        figures.libraryCpu.clockMilliseconds += use.clockMilliseconds;
    }
    figures.cameraCpuMs = milliseconds(after.cameraCpu - before.cameraCpu);
    figures.consumerCpuMs = milliseconds(after.consumerCpu - before.consumerCpu);
    figures.ok = true;
    return figures;
}

}  // namespace bench
