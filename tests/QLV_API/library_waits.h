// What every library test needs whatever the bus: waiting for the library's own threads, reading
// its ports and its last error, and a camera quick enough for tests.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "../common/eventually.h"

namespace qlv::test {

inline bool cameraPresent() {
    std::int32_t port = 0;
    return QLV_InputPort(&port) == 0 && port == 8;
}

inline std::int32_t lastError() {
    std::int32_t error = -1;
    QLV_GetError(&error);
    return error;
}

inline std::int32_t recordingState() {
    std::int32_t state = -1;
    QLV_CheckRecording(&state);
    return state;
}

inline bool streaming() {
    return (recordingState() & 2) != 0;
}

// Short bus time, brisk frames.
inline vcam::Options fastCameraOptions() {
    vcam::Options options;
    options.controlLatency = std::chrono::microseconds(20);
    options.eepromBusyTime = std::chrono::milliseconds(1);
    options.framesPerSecond = 200;
    return options;
}

}  // namespace qlv::test
