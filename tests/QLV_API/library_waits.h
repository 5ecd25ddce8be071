// What every library test needs whatever the bus: waiting for the library's own threads, reading
// its ports and its last error, and a camera quick enough for tests.
#pragma once

#include <chrono>
#include <cstdint>
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

// Pauses the camera and waits until the library has counted every frame it delivered, less the
// `spoiled` ones: a stop then finds no frame in flight, which a second queued read could have
// received and the stop would drop.
inline bool pauseUntilDeliveredFramesCounted(vcam::VirtualCamera& camera,
                                             std::uint64_t spoiled = 0) {
    camera.stallStream(std::chrono::seconds(60));
    return eventually([&] {
        return static_cast<std::uint64_t>(QLV_GetBufferIndex()) ==
               camera.streamStats().framesDelivered - spoiled;
    });
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
