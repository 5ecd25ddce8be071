// qlvctl status: the library version, the camera's presence and its status block in words.
#include <QLV_API.h>

#include <array>
#include <cstdio>

#include "camera_session.h"
#include "commands.h"

namespace qlvctl {
namespace {

void printField(const char* name, const char* value) {
    std::printf("%-18s%s\n", name, value);
}

void printStatusBlock(const std::array<std::uint8_t, 5>& status) {
    const int mode = status[0];
    if (mode >= 1 && mode <= 3) {
        std::printf("%-18s%d\n", "mode", mode);
    } else {
        std::printf("%-18s%d (not a working camera: expected 1 to 3)\n", "mode", mode);
    }
    printField("resolution", status[1] == 0 ? "640 wide" : "1280 x 1024");
    printField("freeze", status[2] == 0 ? "live" : "frozen");
    printField("busy", status[3] == 0 ? "no" : "yes (writing its EEPROM)");
}

}  // namespace

int runStatus(Arguments arguments) {
    if (!arguments.empty()) {
        return isHelp(arguments.front()) ? showUsage(true)
                                         : usageError("status", "takes no arguments");
    }
    CameraSession session;
    if (!session.started()) {
        return exitFailed;
    }

    std::int32_t version = 0;
    if (QLV_GetVersion(0, &version) != 0) {
        return reportFailure("reading the library version");
    }
    std::printf("%-18s%d.%d\n", "library version", version >> 16, version & 0xFFFF);

    const bool present = session.waitForCamera();
    printField("camera", present ? "present" : "not found");
    std::fflush(stdout);
    if (!present) {
        return reportNoCamera();
    }

    std::array<std::uint8_t, 5> status{};
    if (QLV_GetDevStatus(status.data()) != 0) {
        return reportFailure("reading the camera's status block");
    }
    printStatusBlock(status);

    // The sensor decides whether 640-wide frames have 480 or 512 lines.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bytes = 0;
    if (QLV_GetDispSize(0, &width, &height, &bytes) != 0) {
        return reportFailure("asking the 640-wide frame size");
    }
    std::printf("%-18s%d x %d (%d lines)\n", "640-wide frames", width, height, height);
    return exitOk;
}

}  // namespace qlvctl
