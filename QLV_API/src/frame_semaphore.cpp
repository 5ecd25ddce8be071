#include "frame_semaphore.h"

#include "frame_wait.h"

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
    return waitForFrame(&semaphore_, std::chrono::milliseconds(milliseconds));
}

}  // namespace qlv
