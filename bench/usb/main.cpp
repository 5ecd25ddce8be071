// Streaming through the real USB path (LibusbTransport, libusb, usbfs) on the tests' emulated bus:
// frames delivered against frames the camera sent, and the CPU the library's threads spend, with
// the emulation's own cost beside it.
//
// Each size runs twice: on a quiet machine, then loaded, with a busy thread on every core beside
// the stream (the frames must still all arrive).
//
// Usage: usb_bench [--seconds N]   (or QLV_BENCH_SECONDS=N; default 10 s per run)
#include <semaphore.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include <QLV_API.h>

#include <usbfs_emulator.h>
#include <virtual_camera/virtual_camera.h>
#include "frame_wait.h"

#include "thread_cpu.h"
#include "transport/transport_factory.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double defaultSeconds = 10;
constexpr double framesPerSecond = 30;
constexpr int bufferCount = 5;
constexpr std::size_t bufferBytes = 2'621'952;

std::optional<double> parsePositive(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !(value > 0)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> requestedSeconds(int argc, char** argv) {
    std::string_view text;
    if (const char* variable = std::getenv("QLV_BENCH_SECONDS")) {
        text = variable;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--seconds" && i + 1 < argc) {
            text = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    return text.empty() ? std::optional(defaultSeconds) : parsePositive(text);
}

bool waitFor(const auto& condition, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool cameraPresent() {
    std::int32_t port = 0;
    return QLV_InputPort(&port) == 0 && port == 8;
}

double percentOfACore(double cpuMs, double seconds) {
    return cpuMs / (seconds * 1000.0) * 100.0;
}

// Takes the newest frame at each wake, as the viewer does, and checks its sequence tags.
class Consumer {
public:
    Consumer(sem_t* semaphore, std::array<std::vector<std::uint8_t>, bufferCount>& buffers,
             int width, int height)
        : thread_([=, this, &buffers](std::stop_token stop) {
              run(stop, semaphore, buffers, width, height);
          }) {}

    std::uint64_t seen() const { return seen_; }
    std::uint64_t gaps() const { return gaps_; }
    std::uint64_t torn() const { return torn_; }
    void stop() {
        thread_.request_stop();
        thread_.join();
    }

private:
    void run(std::stop_token stop, sem_t* semaphore,
             std::array<std::vector<std::uint8_t>, bufferCount>& buffers, int width, int height) {
        std::int32_t lastCount = 0;
        std::optional<std::uint32_t> lastTag;
        const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 2;
        while (!stop.stop_requested()) {
            if (!qlv::waitForFrame(semaphore, 100ms)) {
                continue;
            }
            const std::int32_t k = QLV_GetBufferIndex();
            if (k < 1 || k == lastCount) {
                continue;
            }
            const auto& buffer = buffers[static_cast<std::size_t>((k - 1) % bufferCount)];
            const std::span<const std::uint8_t> frame(buffer.data(), frameBytes);
            const auto top = vcam::decodeTopTag(frame, width, height);
            const auto bottom = vcam::decodeBottomTag(frame, width, height);
            ++seen_;
            if (!top || top != bottom) {
                ++torn_;
            } else {
                if (lastTag && *top > *lastTag + 1) {
                    gaps_ += *top - *lastTag - 1;
                }
                lastTag = top;
            }
            lastCount = k;
        }
    }

    std::atomic<std::uint64_t> seen_{0};
    std::atomic<std::uint64_t> gaps_{0};
    std::atomic<std::uint64_t> torn_{0};
    std::jthread thread_;
};

// A thread spinning on every core for as long as it lives.
class BusyCores {
public:
    BusyCores() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i) {
            threads_.emplace_back([](std::stop_token stop) {
                volatile std::uint64_t work = 0;
                while (!stop.stop_requested()) {
                    work = work + 1;
                }
            });
        }
    }
    std::size_t count() const { return threads_.size(); }

private:
    std::vector<std::jthread> threads_;
};

struct Sample {
    Clock::time_point when;
    vcam::StreamStats camera;
    std::int32_t ring = 0;
    std::map<pid_t, bench::ThreadCpu> library;
    std::map<pid_t, bench::ThreadCpu> emulation;
    std::uint64_t consumed = 0;
};

// Taken just after a frame reached the ring, when the next one is a frame time away, so that no
// frame is in flight between the camera's count and the ring's.
Sample sample(vcam::VirtualCamera& camera, const Consumer& consumer) {
    const std::int32_t previous = QLV_GetBufferIndex();
    waitFor([previous] { return QLV_GetBufferIndex() != previous; }, 1s);
    Sample now;
    now.when = Clock::now();
    now.ring = QLV_GetBufferIndex();
    now.camera = camera.streamStats();
    // libusb's hot-plug thread ("libusb_event") works for the library; GLib's "gmain" and the
    // camera's own threads ("vcam-") for the emulation.
    now.library = bench::threadsNamed({"qlv-", "libusb"});
    now.emulation = bench::threadsNamed({"usbemu-", "umockdev-", "gmain", "vcam-"});
    now.consumed = consumer.seen();
    return now;
}

bool runOnce(vcam::VirtualCamera& camera, std::uint32_t resolution, int width, int height,
             double seconds, bool loaded) {
    std::array<std::vector<std::uint8_t>, bufferCount> buffers;
    std::array<void*, bufferCount> pointers{};
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        buffers[i].assign(bufferBytes, 0);
        pointers[i] = buffers[i].data();
    }
    QLV_HANDLE handle = nullptr;
    if (QLV_DispMode(1) != 0 || QLV_RegisterBuffer(bufferCount, pointers.data()) != 0 ||
        QLV_GetDataSemaphoHandle(&handle) != 0) {
        std::fprintf(stderr, "usb_bench: the library refused the buffers\n");
        return false;
    }
    // The consumer starts with the stream: before it, the semaphore still holds the previous
    // stream's parting wake and the count is that stream's.
    QLV_RecordStart(resolution);
    Consumer consumer(static_cast<sem_t*>(handle), buffers, width, height);
    // Measured from the third frame on: the camera needs a frame time to start.
    if (!waitFor([] { return QLV_GetBufferIndex() >= 3; }, 10s)) {
        std::fprintf(stderr, "usb_bench: no frames came\n");
        consumer.stop();
        QLV_RecordStop();
        return false;
    }
    std::optional<BusyCores> load;
    if (loaded) {
        load.emplace();
    }
    const Sample before = sample(camera, consumer);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const Sample after = sample(camera, consumer);
    const std::size_t busyThreads = load ? load->count() : 0;
    load.reset();
    QLV_RecordStop();
    consumer.stop();
    QLV_UnregisterBuffer();

    const double measured = std::chrono::duration<double>(after.when - before.when).count();
    const auto sent = after.camera.framesSent - before.camera.framesSent;
    const auto completed = after.camera.framesDelivered - before.camera.framesDelivered;
    const auto ring = static_cast<std::uint64_t>(after.ring - before.ring);
    const auto library = bench::cpuBetween(before.library, after.library);
    const auto emulation = bench::cpuBetween(before.emulation, after.emulation);
    const double cameraMs = std::chrono::duration<double, std::milli>(after.camera.cameraCpuTime -
                                                                      before.camera.cameraCpuTime)
                                .count();

    std::printf("\n== %d x %d at %.0f frames/s through libusb on the emulated usbfs, %.1f s, %s",
                width, height, framesPerSecond, measured, busyThreads > 0 ? "loaded: " : "quiet");
    if (busyThreads > 0) {
        std::printf("%zu busy threads", busyThreads);
    }
    std::printf(" ==\n");
    std::printf("  frames sent by the camera        %8llu\n",
                static_cast<unsigned long long>(sent));
    std::printf("  bulk reads completed             %8llu\n",
                static_cast<unsigned long long>(completed));
    std::printf("  frames delivered to the ring     %8llu   lost: %lld   target: 0 lost\n",
                static_cast<unsigned long long>(ring),
                static_cast<long long>(sent) - static_cast<long long>(ring));
    std::printf(
        "  frames seen by the consumer      %8llu   (whole run: sequence gaps %llu, torn %llu)\n",
        static_cast<unsigned long long>(after.consumed - before.consumed),
        static_cast<unsigned long long>(consumer.gaps()),
        static_cast<unsigned long long>(consumer.torn()));
    std::printf("  library CPU (qlv-*, libusb)    %8.1f ms = %5.2f %% of a core   target: < 2 %%\n",
                bench::totalMilliseconds(library),
                percentOfACore(bench::totalMilliseconds(library), measured));
    for (const auto& [name, use] : library) {
        std::printf("      %-16s %8.1f ms\n", name.c_str(), use.milliseconds);
    }
    std::printf(
        "  emulation CPU (usbemu-*, umockdev-*, gmain, vcam-*) %6.1f ms = %5.2f %% of a core"
        "   (not the library's)\n",
        bench::totalMilliseconds(emulation),
        percentOfACore(bench::totalMilliseconds(emulation), measured));
    for (const auto& [name, use] : emulation) {
        std::printf("      %-16s %8.1f ms\n", name.c_str(), use.milliseconds);
    }
    std::printf("    of which the camera drawing its frames %.1f ms\n", cameraMs);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    usbemu::ensurePreloaded(argc, argv);
    const auto seconds = requestedSeconds(argc, argv);
    if (!seconds) {
        std::fprintf(stderr, "usage: usb_bench [--seconds N]  (or QLV_BENCH_SECONDS=N)\n");
        return 2;
    }
    unsetenv("QLV_CAMERA");
    unsetenv("QLV_USB_IDS");

    usbemu::Emulator bus;  // before the library starts libusb
    vcam::Options options;
    options.framesPerSecond = framesPerSecond;
    auto camera = std::make_shared<vcam::VirtualCamera>(options);
    bus.add(camera, usbemu::Variant::MsOs10);

    if (QLV_Init() != 0 || !waitFor(cameraPresent, 10s)) {
        std::fprintf(stderr, "usb_bench: the library did not connect the emulated camera\n");
        QLV_Term();
        return 1;
    }
    std::printf(
        "usb_bench: the virtual camera as a USB 2.0 device on an emulated usbfs "
        "(umockdev), found by its MS OS descriptors\n");
    bool ok = true;
    for (const bool loaded : {false, true}) {
        ok = ok && runOnce(*camera, 0, 640, 480, *seconds, loaded) &&
             runOnce(*camera, 1, 1280, 1024, *seconds, loaded);
    }
    QLV_Term();
    return ok ? 0 : 1;
}
