#include "frame_semaphore.h"

namespace qlv {

// Unnamed, so that two processes using the library never share one.
FrameSemaphore::FrameSemaphore()
    : semaphore_(CreateSemaphoreW(nullptr, 0, maximum, nullptr)), valid_(semaphore_ != nullptr) {}

FrameSemaphore::~FrameSemaphore() {
    if (valid_) {
        CloseHandle(semaphore_);
    }
}

void FrameSemaphore::release() {
    // Fails, changing nothing, at the maximum count: the wake is dropped.
    ReleaseSemaphore(semaphore_, 1, nullptr);
}

void FrameSemaphore::drain() {
    while (WaitForSingleObject(semaphore_, 0) == WAIT_OBJECT_0) {
    }
}

bool FrameSemaphore::wait(int milliseconds) {
    return WaitForSingleObject(semaphore_, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

}  // namespace qlv
