// The one deadline wait on the frame semaphore that every consumer uses: the camera library's own
// converter, the viewer, qlvctl, the benchmarks and the tests.
#pragma once

#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <semaphore.h>

#include <cerrno>
#include <ctime>
#endif

namespace qlv {

// Waits up to `limit` for one count of `semaphore` (the library's handle: a sem_t*, or a semaphore
// HANDLE on Windows) and takes it. False when the limit passed first; a limit of 0 takes only a
// count already pending. The deadline is on the monotonic clock, which a change of the wall clock
// does not move, and an interrupted wait goes on to the same deadline.
inline bool waitForFrame(void* semaphore, std::chrono::nanoseconds limit) {
#ifdef _WIN32
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(limit).count();
    return WaitForSingleObject(semaphore, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
#else
    auto* posixSemaphore = static_cast<sem_t*>(semaphore);
    if (limit.count() <= 0) {
        return sem_trywait(posixSemaphore) == 0;
    }
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const auto nanoseconds = deadline.tv_nsec + limit.count();
    deadline.tv_sec += static_cast<time_t>(nanoseconds / 1'000'000'000);
    deadline.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    while (sem_clockwait(posixSemaphore, CLOCK_MONOTONIC, &deadline) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
#endif
}

}  // namespace qlv
