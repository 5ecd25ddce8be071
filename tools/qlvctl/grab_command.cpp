// qlvctl grab: one picture through the library's own display path (buffer mode 0, its converter
// thread, QLV_GetDIBData), saved as a .bmp file.
#include <QLV_API.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bitmap_file.h"
#include "camera_session.h"
#include "commands.h"
#include "picture_setting.h"

namespace qlvctl {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t largestBitmap = 3'932'200;  // 40-byte header and 1280 x 1024 x 3
constexpr std::size_t largestRawFrame = 2'621'440;
constexpr std::int32_t stateStreaming = 2;
// The converter never shows the first two frames of a stream.
constexpr std::int32_t firstConvertedFrame = 3;
constexpr auto pictureLimit = std::chrono::seconds(5);
constexpr auto pollInterval = std::chrono::milliseconds(5);

struct GrabOptions {
    std::string path;
    std::uint32_t resolution = 0;
    std::vector<PictureSetting> settings;
};

// "--set what=value[,value...]" into a checked setting.
std::optional<PictureSetting> parseSetOption(std::string_view text, std::string& problem) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == text.size()) {
        problem = "--set takes <setting>=<value>[,<value>...], not '" + std::string(text) + "'";
        return std::nullopt;
    }
    std::vector<std::string_view> values;
    std::string_view rest = text.substr(equals + 1);
    for (;;) {
        const auto comma = rest.find(',');
        values.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    return parsePictureSetting(text.substr(0, equals), values, problem);
}

// Returns the exit code when the command line ends the command here.
std::optional<int> parseOptions(Arguments arguments, GrabOptions& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view word = arguments[i];
        if (isHelp(word)) {
            return showUsage(true);
        }
        const bool hasValue = i + 1 < arguments.size();
        if (word == "--resolution") {
            const std::string_view value = hasValue ? arguments[++i] : std::string_view{};
            if (value != "0" && value != "1") {
                return usageError("grab", "--resolution is 0 (640 wide) or 1 (1280 x 1024)");
            }
            options.resolution = value == "1" ? 1 : 0;
        } else if (word == "--set") {
            if (!hasValue) {
                return usageError("grab", "--set needs <setting>=<value>");
            }
            std::string problem;
            const auto setting = parseSetOption(arguments[++i], problem);
            if (!setting) {
                return usageError("grab", problem);
            }
            options.settings.push_back(*setting);
        } else if (word.size() > 1 && word.starts_with('-')) {
            return usageError("grab", "unknown option '" + std::string(word) + "'");
        } else if (!options.path.empty()) {
            return usageError("grab", "takes one file name");
        } else {
            options.path = word;
        }
    }
    if (options.path.empty()) {
        return usageError("grab", "needs the name of the .bmp file to write");
    }
    return std::nullopt;
}

bool stillStreaming() {
    std::int32_t state = 0;
    QLV_CheckRecording(&state);
    return (state & stateStreaming) != 0;
}

// Stops the reader and converter however the command ends.
class RecordingGuard {
public:
    RecordingGuard() = default;
    ~RecordingGuard() { QLV_RecordStop(); }
    RecordingGuard(const RecordingGuard&) = delete;
    RecordingGuard& operator=(const RecordingGuard&) = delete;
};

enum class Wait { Ready, StreamEnded, TimedOut };

// The library tells nothing when its converter has made a bitmap. The raw frame it converts from
// is all zeros until it copies the first frame in (no camera frame is: its colour bytes sit near
// 128), and it hands out that frame only once converted, so a nonzero raw frame means the newest
// bitmap holds a picture.
Wait waitForPicture() {
    std::vector<std::uint8_t> raw(largestRawFrame);
    const auto deadline = Clock::now() + pictureLimit;
    for (;;) {
        if (QLV_GetBufferIndex() >= firstConvertedFrame && QLV_GetRawData(raw.data()) == 0 &&
            std::any_of(raw.begin(), raw.end(), [](std::uint8_t byte) { return byte != 0; })) {
            return Wait::Ready;
        }
        if (!stillStreaming()) {
            return Wait::StreamEnded;
        }
        if (Clock::now() >= deadline) {
            return Wait::TimedOut;
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

int reportWait(Wait outcome) {
    if (outcome == Wait::StreamEnded) {
        std::fputs("qlvctl: the camera stopped sending before a picture was ready\n", stderr);
    } else {
        std::fprintf(stderr, "qlvctl: no picture within %lld s (%d frames arrived)\n",
                     static_cast<long long>(pictureLimit.count()), QLV_GetBufferIndex());
    }
    return exitFailed;
}

}  // namespace

int runGrab(Arguments arguments) {
    GrabOptions options;
    if (const auto exitCode = parseOptions(arguments, options)) {
        return *exitCode;
    }
    AtomicFile file(options.path);
    if (std::string problem; !file.open(problem)) {
        std::fprintf(stderr, "qlvctl: %s\n", problem.c_str());
        return exitFailed;
    }

    CameraSession session;
    if (const int failed = connectCamera(session); failed != exitOk) {
        return failed;
    }
    for (const PictureSetting& setting : options.settings) {
        if (!applyPictureSetting(setting)) {
            return exitFailed;
        }
    }
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t frameBytes = 0;
    if (QLV_GetDispSize(options.resolution, &width, &height, &frameBytes) != 0) {
        return reportFailure("asking the frame size");
    }

    std::vector<std::uint8_t> bitmap(largestBitmap);
    {
        const RecordingGuard recording;
        if (QLV_DispMode(0) != 0) {
            return reportFailure("choosing the library's own buffers");
        }
        if (QLV_RecordStart(options.resolution) != 0) {
            return reportFailure("starting the stream");
        }
        // RecordStart succeeds without starting a reader when the camera has just gone.
        if (!stillStreaming()) {
            std::fputs("qlvctl: the stream did not start: the camera is gone\n", stderr);
            return exitFailed;
        }
        if (const Wait outcome = waitForPicture(); outcome != Wait::Ready) {
            return reportWait(outcome);
        }
        if (QLV_GetDIBData(bitmap.data()) != 0) {
            return reportFailure("copying the picture");
        }
    }

    const auto size = readBitmapHeader(bitmap);
    if (!size || size->width != width || size->height != height) {
        std::fprintf(stderr,
                     "qlvctl: the library's bitmap is not the %d x %d 24-bit picture asked for\n",
                     width, height);
        return exitFailed;
    }
    const std::vector<std::uint8_t> bytes = bmpFile(bitmap, *size);
    if (std::string problem; !file.commit(bytes, problem)) {
        std::fprintf(stderr, "qlvctl: %s\n", problem.c_str());
        return exitFailed;
    }
    std::printf("saved %s: %d x %d, 24-bit BMP, %zu bytes\n", options.path.c_str(), width, height,
                bytes.size());
    return exitOk;
}

}  // namespace qlvctl
