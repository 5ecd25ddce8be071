// The desk's line commands, shared by the control socket and in-process callers.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "command_parsing.h"
#include "control_server.h"
#include "virtual_camera_impl.h"

namespace vcam {
namespace {

constexpr std::string_view kHelp =
    "commands: unplug | plug | freeze 0|1 | mode 1|2|3 | lines 480|512 | stall <ms> | "
    "short-frame | long-frame | zero-frame | fps <n>|max (0 = realistic) | mains 50|60 | status | "
    "help";
constexpr long kLongestStallMs = 600'000;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t begin = line.find_first_not_of(" \t", at);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t", begin), line.size());
        result.push_back(line.substr(begin, end - begin));
        at = end;
    }
    return result;
}

bool printable(std::string_view line) {
    for (const char c : line) {
        if (c != ' ' && c != '\t' && (c < 0x21 || c > 0x7E)) {
            return false;
        }
    }
    return true;
}

std::string describeRate(double framesPerSecond) {
    if (framesPerSecond < 0) {
        return "max";
    }
    if (framesPerSecond == 0) {
        return "auto";
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%g", framesPerSecond);
    return text;
}

}  // namespace

std::string VirtualCamera::command(const std::string& line) {
    if (line.size() > ControlServer::kMaxLineLength) {
        return "error: line too long";
    }
    if (!printable(line)) {
        return "error: not a text command";
    }
    const std::vector<std::string_view> word = words(line);
    if (word.empty()) {
        return "error: empty command (try help)";
    }
    const std::string_view name = word[0];
    const std::size_t arguments = word.size() - 1;
    const auto wants = [&](std::size_t count) { return arguments == count; };
    const std::string usage = "error: usage: ";

    if (name == "help" && wants(0)) {
        return std::string(kHelp);
    }
    if (name == "status" && wants(0)) {
        const auto block = status();
        const StreamStats stats = streamStats();
        bool lines480 = true;
        {
            qlv::MutexLock lock(impl_->mutex);
            lines480 = impl_->firmware.lines480;
        }
        return "plugged=" + std::to_string(plugged() ? 1 : 0) +
               " mode=" + std::to_string(block[0]) + " resolution=" + std::to_string(block[1]) +
               " freeze=" + std::to_string(block[2]) + " busy=" + std::to_string(block[3]) +
               " lines=" + (lines480 ? "480" : "512") +
               " fps=" + describeRate(impl_->pipe.framesPerSecond()) +
               " mains=" + std::to_string(mainsHz()) + " sent=" + std::to_string(stats.framesSent) +
               " delivered=" + std::to_string(stats.framesDelivered) +
               " pending=" + std::to_string(pendingBulkReads());
    }
    if (name == "unplug" && wants(0)) {
        unplug();
        return "ok";
    }
    if (name == "plug" && wants(0)) {
        plug();
        return "ok";
    }
    if (name == "short-frame" && wants(0)) {
        injectFrameFault(FrameFault::Short);
        return "ok";
    }
    if (name == "long-frame" && wants(0)) {
        injectFrameFault(FrameFault::Long);
        return "ok";
    }
    if (name == "zero-frame" && wants(0)) {
        injectFrameFault(FrameFault::ZeroLength);
        return "ok";
    }
    if (name == "freeze") {
        const auto value = wants(1) ? parseInteger(word[1], 0, 1) : std::nullopt;
        if (!value) {
            return usage + "freeze 0|1";
        }
        setFreeze(*value == 1);
        return "ok";
    }
    if (name == "mode") {
        const auto value = wants(1) ? parseInteger(word[1], 1, 3) : std::nullopt;
        if (!value) {
            return usage + "mode 1|2|3";
        }
        setMode(static_cast<int>(*value));
        return "ok";
    }
    if (name == "lines") {
        const auto value = wants(1) ? parseLines(word[1]) : std::nullopt;
        if (!value) {
            return usage + "lines 480|512";
        }
        setLines480(*value);
        return "ok";
    }
    if (name == "stall") {
        const auto value = wants(1) ? parseInteger(word[1], 0, kLongestStallMs) : std::nullopt;
        if (!value) {
            return usage + "stall <ms> (0 to " + std::to_string(kLongestStallMs) + ")";
        }
        stallStream(std::chrono::milliseconds(*value));
        return "ok";
    }
    if (name == "fps") {
        const auto value = wants(1) ? parseFramesPerSecond(word[1]) : std::nullopt;
        if (!value) {
            return usage + "fps <0..10000>|max";
        }
        setFramesPerSecond(*value);
        return "ok";
    }
    if (name == "mains") {
        const auto value = wants(1) ? parseMains(word[1]) : std::nullopt;
        if (!value) {
            return usage + "mains 50|60";
        }
        setMainsHz(*value);
        return "ok";
    }
    const bool known = name == "help" || name == "status" || name == "unplug" || name == "plug" ||
                       name == "short-frame" || name == "long-frame" || name == "zero-frame";
    return known ? usage + std::string(name) + " takes no arguments"
                 : "error: unknown command (try help)";
}

}  // namespace vcam
