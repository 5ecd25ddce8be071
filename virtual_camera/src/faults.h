// Faults a test can arm. Each set is guarded by the lock of the part of the camera that uses it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "virtual_camera/virtual_camera.h"

namespace vcam {

// Takes one from a countdown of failures; true when this transfer is one of them.
inline bool takeFailure(int& remaining) {
    if (remaining <= 0) {
        return false;
    }
    --remaining;
    return true;
}

struct ControlFaults {
    int failNextTransfers = 0;
    bool i2cReadFails = false;
    bool staysBusy = false;
    std::uint8_t identificationFirstByte = 1;
    std::array<std::uint8_t, 4> identificationText{'Q', 'L', 'V', 0};
};

struct StreamFaults {
    FrameFault nextFrame = FrameFault::None;  // spoils the next frame a host receives
    std::chrono::milliseconds stall{0};       // added once to the camera's frame clock
    bool unplugDuringNextTransfer = false;
    int failNextTransfers = 0;
};

}  // namespace vcam
