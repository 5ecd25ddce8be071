// The one deadline wait on the frame semaphore that every consumer uses: the camera library's own
// converter, the viewer, qlvctl, the benchmarks and the tests.
#pragma once

#include <semaphore.h>

#include <cerrno>
#include <chrono>
#include <ctime>

namespace qlv {

// Waits up to `limit` (on the monotonic clock, which a change of the wall clock does not move) for
// one count of `semaphore` and takes it. False when the limit passed first; an interrupted wait
// goes on to the same deadline.
inline bool waitForFrame(sem_t* semaphore, std::chrono::nanoseconds limit) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const auto nanoseconds = deadline.tv_nsec + limit.count();
    deadline.tv_sec += static_cast<time_t>(nanoseconds / 1'000'000'000);
    deadline.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    while (sem_clockwait(semaphore, CLOCK_MONOTONIC, &deadline) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace qlv
