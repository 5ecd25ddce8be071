// qlvctl virtual <command...>: one line command to a running virtual camera.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "control_client.h"

namespace qlvctl {
namespace {

constexpr auto replyTimeout = std::chrono::seconds(2);
constexpr const char* socketVariable = "QLV_VIRTUAL_CAMERA_CONTROL";

}  // namespace

int runVirtual(Arguments arguments) {
    if (arguments.empty()) {
        return usageError("virtual", "needs a command for the camera (try: qlvctl virtual help)");
    }
    std::string line;
    for (const std::string_view word : arguments) {
        // A line break would end the line early and send a second command of its own.
        const auto control = [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        };
        if (std::any_of(word.begin(), word.end(), control)) {
            return usageError("virtual", "arguments may not hold control characters");
        }
        if (!line.empty()) {
            line += ' ';
        }
        line += word;
    }

    const char* path = std::getenv(socketVariable);
    if (path == nullptr || *path == '\0') {
        std::fprintf(stderr,
                     "qlvctl: %s is not set: set it to the control socket path, for this command "
                     "and for the process that runs the virtual camera\n",
                     socketVariable);
        return exitNoCamera;
    }

    const ControlExchange exchange = exchangeLine(path, line, replyTimeout);
    if (!exchange.answered) {
        std::fprintf(stderr,
                     "qlvctl: cannot reach the virtual camera at %s: %s\n"
                     "hint: the process that runs the camera (QLV_CAMERA=virtual) must be running "
                     "with %s=%s\n",
                     path, exchange.problem.c_str(), socketVariable, path);
        return exitNoCamera;
    }
    // A refusal is "error: ..."; anything else ("ok", a status line, help) is an answer.
    if (exchange.reply.starts_with("error")) {
        std::fprintf(stderr, "%s\n", exchange.reply.c_str());
        return exitFailed;
    }
    std::printf("%s\n", exchange.reply.c_str());
    return exitOk;
}

}  // namespace qlvctl
