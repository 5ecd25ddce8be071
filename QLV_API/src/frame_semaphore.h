// The counting semaphore released once per completed frame. Callers wait on it through the
// handle that QLV_GetDataSemaphoHandle hands out: a sem_t*, or a semaphore HANDLE on Windows.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <semaphore.h>
#endif

namespace qlv {

class FrameSemaphore {
public:
    // Counts beyond this are dropped: a consumer that falls behind loses counts, never frames.
    static constexpr int maximum = 65536;

    FrameSemaphore();
    ~FrameSemaphore();
    FrameSemaphore(const FrameSemaphore&) = delete;
    FrameSemaphore& operator=(const FrameSemaphore&) = delete;

    bool valid() const { return valid_; }
    void release();
    // Takes every pending count without waiting.
    void drain();
    // Waits up to `milliseconds` for one count; false on timeout.
    bool wait(int milliseconds);
#ifdef _WIN32
    HANDLE handle() {
        return semaphore_;
    }

private:
    HANDLE semaphore_ = nullptr;
#else
    sem_t* handle() {
        return &semaphore_;
    }

private:
    sem_t semaphore_{};
#endif
    bool valid_ = false;
};

}  // namespace qlv
