// The library's frame semaphore as the tests wait on it: a sem_t*, or a semaphore HANDLE on
// Windows.
#pragma once

#include <QLV_API.h>

#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <semaphore.h>

#include <cerrno>
#include <ctime>
#endif

namespace qlv::test {

// True when a count was taken within `limit` (0: only one already pending).
inline bool takeFrameCount(QLV_HANDLE handle, std::chrono::milliseconds limit) {
#ifdef _WIN32
    return WaitForSingleObject(handle, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
#else
    auto* semaphore = static_cast<sem_t*>(handle);
    if (limit.count() == 0) {
        return sem_trywait(semaphore) == 0;
    }
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const auto nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(limit).count() + deadline.tv_nsec;
    deadline.tv_sec += static_cast<time_t>(nanoseconds / 1'000'000'000);
    deadline.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    while (sem_clockwait(semaphore, CLOCK_MONOTONIC, &deadline) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
#endif
}

}  // namespace qlv::test
