// The camera library for the length of one command: started on construction, ended on
// destruction.
#pragma once

#include <chrono>

namespace qlvctl {

class CameraSession {
public:
    CameraSession();
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    // False when QLV_Init failed; a message has been printed.
    bool started() const { return started_; }

    // Waits up to `limit` for the library to connect the camera. The library connects a plugged
    // camera within about 50 ms of starting.
    bool waitForCamera(std::chrono::milliseconds limit = std::chrono::seconds(1)) const;

    // Waits up to `limit` for the library to notice that the camera has gone. It checks every
    // 50 ms, so a read that failed on a pulled cable is seen before the camera is marked absent.
    bool waitForCameraGone(std::chrono::milliseconds limit = std::chrono::seconds(1)) const;

private:
    bool started_ = false;
};

// Exit code exitOk when the library started and found the camera within a second; otherwise the
// command's exit code, with the reason printed.
int connectCamera(const CameraSession& session);

// Waits up to `limit` until the camera has finished writing its EEPROM (status byte 3 clear), so
// that what was written can be read back. False when it stays busy or its status cannot be read.
bool waitUntilEepromIdle(std::chrono::milliseconds limit = std::chrono::seconds(1));

// Prints why no camera was found and how to get one; returns exitNoCamera.
int reportNoCamera();

// Prints "qlvctl: <what> failed" and returns exitFailed.
int reportFailure(const char* what);

}  // namespace qlvctl
