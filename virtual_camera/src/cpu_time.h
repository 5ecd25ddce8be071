// CPU time of the calling thread, so the camera can report what its own threads cost.
#pragma once

#include <chrono>
#include <ctime>

namespace vcam {

inline std::chrono::nanoseconds threadCpuTime() {
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) {
        return std::chrono::nanoseconds{0};
    }
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace vcam
