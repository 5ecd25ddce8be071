// The parts of one camera and the locks that keep them consistent.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "bulk_pipe.h"
#include "control_server.h"
#include "firmware_state.h"
#include "thread_annotations.h"
#include "virtual_camera/virtual_camera.h"

namespace vcam {

// Lock order: plugMutex, then mutex or the pipe's own lock, never both of the last two. The pipe
// calls back into frameState() and cablePulled() without its lock held.
struct VirtualCamera::Impl final : FrameSource {
    explicit Impl(const Options& options);
    // Starts the control socket; its commands run on `owner`.
    void listen(const std::string& path, VirtualCamera& owner);

    State frameState() override;
    void cablePulled() override;

    void plug();
    void unplug();

    const std::chrono::microseconds controlLatency;

    qlv::Mutex plugMutex
        ACQUIRED_BEFORE(mutex);  // plug and unplug change pipe and firmware together
    mutable qlv::Mutex mutex;
    bool plugged GUARDED_BY(mutex) = true;
    int mainsHz GUARDED_BY(mutex) = 50;  // the room's lights, 50 or 60 Hz
    FirmwareState firmware GUARDED_BY(mutex);
    std::deque<RecordedRequest> journal GUARDED_BY(mutex);
    std::atomic<int> controlsInProgress{0};
    std::atomic<bool> overlapDetected{false};

    BulkPipe pipe;                          // after the state its thread calls back into
    std::unique_ptr<ControlServer> server;  // last: its thread runs commands on all of the above
};

}  // namespace vcam
