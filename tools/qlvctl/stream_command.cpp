// qlvctl stream: streams the way the viewer does (buffer mode 1, five registered buffers, the
// frame semaphore, the newest slot) and reports what arrived.
#include <QLV_API.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera_session.h"
#include "commands.h"
#include "frame_tally.h"
#include "frame_wait.h"

namespace qlvctl {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int bufferCount = 5;  // as many as the viewer registers
constexpr std::int32_t stateStreaming = 2;
constexpr double longestRun = 24.0 * 60 * 60;

struct StreamOptions {
    double seconds = 5;
    std::uint32_t resolution = 0;
};

std::optional<double> parseSeconds(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) ||
        value <= 0 || value > longestRun) {
        return std::nullopt;
    }
    return value;
}

// Returns the exit code when the command line ends the command here.
std::optional<int> parseOptions(Arguments arguments, StreamOptions& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view word = arguments[i];
        if (isHelp(word)) {
            return showUsage(true);
        }
        const bool hasValue = i + 1 < arguments.size();
        if (word == "--seconds") {
            const auto seconds = hasValue ? parseSeconds(arguments[++i]) : std::nullopt;
            if (!seconds) {
                return usageError("stream", "--seconds needs a number of seconds above 0");
            }
            options.seconds = *seconds;
        } else if (word == "--resolution") {
            const std::string_view value = hasValue ? arguments[++i] : std::string_view{};
            if (value != "0" && value != "1") {
                return usageError("stream", "--resolution is 0 (640 wide) or 1 (1280 x 1024)");
            }
            options.resolution = value == "1" ? 1 : 0;
        } else {
            return usageError("stream", "unknown option '" + std::string(word) + "'");
        }
    }
    return std::nullopt;
}

bool stillStreaming() {
    // The state is set even when the camera no longer answers the status request.
    std::int32_t state = 0;
    QLV_CheckRecording(&state);
    return (state & stateStreaming) != 0;
}

// Stops the reader before the buffers it writes into go away.
class RecordingGuard {
public:
    RecordingGuard() = default;
    ~RecordingGuard() {
        QLV_RecordStop();
        QLV_UnregisterBuffer();
    }
    RecordingGuard(const RecordingGuard&) = delete;
    RecordingGuard& operator=(const RecordingGuard&) = delete;
};

void printReport(const FrameTally& tally, double elapsedSeconds) {
    const double rate =
        elapsedSeconds > 0 ? static_cast<double>(tally.received()) / elapsedSeconds : 0;
    std::printf("%-19s%llu\n", "frames received",
                static_cast<unsigned long long>(tally.received()));
    std::printf("%-19s%llu\n", "frames dropped", static_cast<unsigned long long>(tally.dropped()));
    std::printf("%-19s%llu\n", "torn frames", static_cast<unsigned long long>(tally.torn()));
    std::printf("%-19s%.1f\n", "frames per second", rate);
    std::fflush(stdout);
}

struct StreamOutcome {
    FrameTally tally;
    double seconds = 0;
    bool endedEarly = false;
};

// The consumer rule: after each wake take the newest frame, slot (count - 1) mod the number of
// buffers, until `seconds` have passed or the stream ends.
StreamOutcome receiveFrames(QLV_HANDLE semaphore,
                            const std::vector<std::vector<std::uint8_t>>& buffers, int width,
                            int height, double seconds) {
    const auto frameBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
    StreamOutcome outcome;
    std::int32_t seen = 0;
    const auto start = Clock::now();
    const auto deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < deadline) {
        const bool woke = qlv::waitForFrame(semaphore, std::chrono::milliseconds(50));
        const std::int32_t completed = QLV_GetBufferIndex();
        if (woke && completed > seen) {
            const auto& slot = buffers[static_cast<std::size_t>((completed - 1) % bufferCount)];
            outcome.tally.addFrame(completed, {slot.data(), frameBytes}, width, height);
            seen = completed;
            continue;
        }
        // A wake without a new frame announces the end of the stream, and 50 ms without a frame
        // may be one: the end's wake can come a moment before the stream is marked ended.
        if (!stillStreaming()) {
            outcome.endedEarly = true;
            break;
        }
    }
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
}

}  // namespace

int runStream(Arguments arguments) {
    StreamOptions options;
    if (const auto exitCode = parseOptions(arguments, options)) {
        return *exitCode;
    }

    CameraSession session;
    if (!session.started()) {
        return exitFailed;
    }
    if (!session.waitForCamera()) {
        return reportNoCamera();
    }

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bufferBytes = 0;
    if (QLV_GetDispSize(options.resolution, &width, &height, &bufferBytes) != 0) {
        return reportFailure("asking the frame size");
    }
    std::vector<std::vector<std::uint8_t>> buffers(bufferCount);
    std::vector<void*> slots;
    for (auto& buffer : buffers) {
        buffer.resize(static_cast<std::size_t>(bufferBytes));
        slots.push_back(buffer.data());
    }

    const RecordingGuard recording;
    if (QLV_DispMode(1) != 0) {
        return reportFailure("choosing buffer mode 1");
    }
    if (QLV_RegisterBuffer(bufferCount, slots.data()) != 0) {
        return reportFailure("registering the buffers");
    }
    QLV_HANDLE handle = nullptr;
    if (QLV_GetDataSemaphoHandle(&handle) != 0) {
        return reportFailure("getting the frame semaphore");
    }
    const QLV_HANDLE semaphore = handle;

    if (QLV_RecordStart(options.resolution) != 0) {
        return reportFailure("starting the stream");
    }
    // RecordStart succeeds without starting a reader when the camera has just gone.
    if (!stillStreaming()) {
        std::fputs("qlvctl: the stream did not start: the camera is gone\n", stderr);
        return exitFailed;
    }
    std::printf("streaming %d x %d into %d buffers for %g s\n", width, height, bufferCount,
                options.seconds);
    std::fflush(stdout);

    const StreamOutcome outcome = receiveFrames(semaphore, buffers, width, height, options.seconds);

    printReport(outcome.tally, outcome.seconds);
    if (outcome.endedEarly) {
        std::fprintf(stderr, "qlvctl: streaming ended after %.1f s: %s\n", outcome.seconds,
                     session.waitForCameraGone() ? "the camera was unplugged"
                                                 : "the camera stopped sending");
        return exitFailed;
    }
    return exitOk;
}

}  // namespace qlvctl
