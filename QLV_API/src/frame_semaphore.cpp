#include "frame_semaphore.h"

#include <cerrno>
#include <ctime>

namespace qlv {

FrameSemaphore::FrameSemaphore() : valid_(sem_init(&semaphore_, 0, 0) == 0) {}

FrameSemaphore::~FrameSemaphore() {
    if (valid_) {
        sem_destroy(&semaphore_);
    }
}

void FrameSemaphore::release() {
    int value = 0;
    if (sem_getvalue(&semaphore_, &value) == 0 && value >= maximum) {
        return;
    }
    sem_post(&semaphore_);
}

void FrameSemaphore::drain() {
    while (sem_trywait(&semaphore_) == 0) {
    }
}

bool FrameSemaphore::wait(int milliseconds) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1'000'000L;
    if (deadline.tv_nsec >= 1'000'000'000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1'000'000'000L;
    }
    while (sem_clockwait(&semaphore_, CLOCK_MONOTONIC, &deadline) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace qlv
