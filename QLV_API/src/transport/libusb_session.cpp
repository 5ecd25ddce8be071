#include "transport/libusb_session.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "thread_name.h"
#include "transport/libusb_results.h"

namespace qlv {
namespace {

// An event pass ends at least this often even when nothing happens; stop does not wait for it
// (it interrupts the pass), this only bounds how long a lost wake-up could last.
constexpr timeval idlePass{1, 0};
// After a failed pass (which libusb only reports when polling itself fails) the thread pauses
// instead of retrying in a tight loop.
constexpr std::chrono::milliseconds pauseAfterFailure{100};

}  // namespace

LibusbSession::LibusbSession() {
    std::mutex startMutex;
    std::condition_variable started;
    bool ready = false;  // guarded by startMutex
    thread_ = std::jthread([&](std::stop_token stop) {
        nameThisThread("qlv-usb-events");
        libusb_context* context = nullptr;
        const int result = libusb_init(&context);
        if (result != LIBUSB_SUCCESS) {
            logUsbFailure("starting libusb", result);
            context = nullptr;
        }
        {
            // Notified under the lock: the constructor's locals are gone once it is released.
            std::lock_guard lock(startMutex);
            context_ = context;
            ready = true;
            started.notify_all();
        }
        if (context == nullptr) {
            return;
        }
        run(std::move(stop));
        libusb_exit(context);
    });
    std::unique_lock lock(startMutex);
    started.wait(lock, [&] { return ready; });
}

LibusbSession::~LibusbSession() {
    if (!thread_.joinable()) {
        return;
    }
    thread_.request_stop();
    if (context_ != nullptr) {
        // Ends the event pass in progress at once; a pass that starts later sees the stop first.
        libusb_interrupt_event_handler(context_);
    }
    thread_.join();
}

void LibusbSession::run(std::stop_token stop) {
    std::mutex pauseMutex;
    std::condition_variable_any pause;
    while (!stop.stop_requested()) {
        timeval timeout = idlePass;
        const int result = libusb_handle_events_timeout_completed(context_, &timeout, nullptr);
        if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_INTERRUPTED) {
            logUsbFailure("handling USB events", result);
            std::unique_lock lock(pauseMutex);
            pause.wait_for(lock, stop, pauseAfterFailure, [] { return false; });
        }
    }
}

}  // namespace qlv
