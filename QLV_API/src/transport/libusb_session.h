// One libusb context and the thread that handles its events. Internal to the libusb transport.
#pragma once

#include <libusb.h>

#include <stop_token>
#include <thread>

namespace qlv {

// Every completion, cancellation and hot-plug notice of the context is processed on the session's
// own thread ("qlv-usb-events"). Asynchronous transfers therefore only wait for their callback;
// synchronous libusb calls on other threads wait for the end of that thread's event pass, as
// libusb intends when one thread handles events.
class LibusbSession {
public:
    // Starts libusb on the session's thread and waits until it is ready. context() is null when
    // libusb cannot start.
    LibusbSession();
    // Stops the thread, then ends libusb. Nothing may be open on the context any more.
    ~LibusbSession();
    LibusbSession(const LibusbSession&) = delete;
    LibusbSession& operator=(const LibusbSession&) = delete;

    libusb_context* context() const { return context_; }

private:
    void run(std::stop_token stop);

    libusb_context* context_ = nullptr;  // written by the thread before the constructor returns
    std::jthread thread_;
};

}  // namespace qlv
