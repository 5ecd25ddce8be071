// Bulk IN reads kept queued on a libusb device, so that a frame never arrives to an empty pipe
// while the previous one is being handed on (the camera would drop it).
#pragma once

#include <libusb.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "thread_annotations.h"
#include "transport/usb_transport.h"

namespace qlv {

class LibusbBulkQueue final : public BulkQueue {
public:
    // A null handle gives a queue that refuses every read.
    LibusbBulkQueue(libusb_device_handle* handle, std::uint8_t endpoint);
    ~LibusbBulkQueue() override;
    LibusbBulkQueue(const LibusbBulkQueue&) = delete;
    LibusbBulkQueue& operator=(const LibusbBulkQueue&) = delete;

    bool submit(std::span<std::uint8_t> buffer) override;
    std::optional<std::size_t> next(std::chrono::milliseconds limit, std::stop_token stop) override;
    void cancel() override;
    std::size_t pending() override;

    struct Read;

private:
    static void LIBUSB_CALL completed(libusb_transfer* transfer);
    // Cancels every queued read and waits for their callbacks.
    void cancelQueued() EXCLUDES(mutex_);
    void recycleAll() REQUIRES(mutex_);

    libusb_device_handle* handle_;
    std::uint8_t endpoint_;

    // The callbacks (on the session's event thread) report under mutex_; the owner's thread
    // changes the queue itself.
    Mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<std::unique_ptr<Read>> queued_ GUARDED_BY(mutex_);
    // Finished reads kept for reuse, so that a stream allocates nothing per frame.
    std::vector<std::unique_ptr<Read>> spare_ GUARDED_BY(mutex_);
};

}  // namespace qlv
