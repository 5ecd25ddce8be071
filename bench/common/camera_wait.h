// Waiting, before a measurement, for the library to connect the camera.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

#include <QLV_API.h>

namespace bench {

// True once QLV_InputPort reports the camera present (8), false after two seconds without it.
inline bool waitForCamera() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < deadline) {
        std::int32_t input = 0;
        if (QLV_InputPort(&input) == 0 && input == 8) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace bench
