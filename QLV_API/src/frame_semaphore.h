// The counting semaphore released once per completed frame. Callers wait on it through the
// sem_t* that QLV_GetDataSemaphoHandle hands out.
#pragma once

#include <semaphore.h>

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
    sem_t* handle() { return &semaphore_; }

private:
    sem_t semaphore_{};
    bool valid_ = false;
};

}  // namespace qlv
