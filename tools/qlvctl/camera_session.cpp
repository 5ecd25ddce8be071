#include "camera_session.h"

#include <QLV_API.h>

#include <array>
#include <cstdio>
#include <thread>

#include "commands.h"

namespace qlvctl {
namespace {

constexpr std::int32_t inputPresent = 8;

// The library offers no presence event, so its presence flag is polled briefly.
bool waitForPresence(bool present, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::int32_t input = 0;
        if (QLV_InputPort(&input) == 0 && (input == inputPresent) == present) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

CameraSession::CameraSession() : started_(QLV_Init() == 0) {
    if (!started_) {
        std::fputs("qlvctl: the camera library could not start (not enough memory?)\n", stderr);
    }
}

CameraSession::~CameraSession() {
    if (started_) {
        QLV_Term();
    }
}

bool CameraSession::waitForCamera(std::chrono::milliseconds limit) const {
    return waitForPresence(true, limit);
}

bool CameraSession::waitForCameraGone(std::chrono::milliseconds limit) const {
    return waitForPresence(false, limit);
}

int connectCamera(const CameraSession& session) {
    if (!session.started()) {
        return exitFailed;
    }
    return session.waitForCamera() ? exitOk : reportNoCamera();
}

bool waitUntilEepromIdle(std::chrono::milliseconds limit) {
    // Status byte 3 is the only sign of a finished write; the camera raises no event for it.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::array<std::uint8_t, 5> status{};
        if (QLV_GetDevStatus(status.data()) != 0) {
            return false;
        }
        if (status[3] == 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int reportNoCamera() {
    std::fputs(
        "qlvctl: no camera found\n"
        "hint: is it plugged in? To use the virtual camera instead, set QLV_CAMERA=virtual\n",
        stderr);
    return exitNoCamera;
}

int reportFailure(const char* what) {
    std::fprintf(stderr, "qlvctl: %s failed\n", what);
    return exitFailed;
}

}  // namespace qlvctl
