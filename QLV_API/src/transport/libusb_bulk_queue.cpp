#include "transport/libusb_bulk_queue.h"

#include <climits>

#include "transport/libusb_results.h"

namespace qlv {
namespace {

struct FreeTransfer {
    void operator()(libusb_transfer* transfer) const { libusb_free_transfer(transfer); }
};

}  // namespace

struct LibusbBulkQueue::Read {
    LibusbBulkQueue* queue = nullptr;
    std::unique_ptr<libusb_transfer, FreeTransfer> transfer{libusb_alloc_transfer(0)};
    // Written by the callback under the queue's mutex.
    bool finished = false;
    libusb_transfer_status status = LIBUSB_TRANSFER_ERROR;
    int received = 0;
};

LibusbBulkQueue::LibusbBulkQueue(libusb_device_handle* handle, std::uint8_t endpoint)
    : handle_(handle), endpoint_(endpoint) {}

LibusbBulkQueue::~LibusbBulkQueue() {
    cancel();
}

void LIBUSB_CALL LibusbBulkQueue::completed(libusb_transfer* transfer) {
    auto* read = static_cast<Read*>(transfer->user_data);
    LibusbBulkQueue& queue = *read->queue;
    MutexLock lock(queue.mutex_);
    read->status = transfer->status;
    read->received = transfer->actual_length;
    read->finished = true;
    // Under the lock: once it is released the owner may return and reuse or free the read.
    queue.changed_.notify_all();
}

bool LibusbBulkQueue::submit(std::span<std::uint8_t> buffer) {
    if (handle_ == nullptr || buffer.size() > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    MutexLock lock(mutex_);
    std::unique_ptr<Read> read;
    if (!spare_.empty()) {
        read = std::move(spare_.back());
        spare_.pop_back();
    } else {
        read = std::make_unique<Read>();
        read->queue = this;
    }
    if (!read->transfer) {
        return false;
    }
    read->finished = false;
    // No libusb timeout: next() ends a read, so that limit and stop take one path.
    libusb_fill_bulk_transfer(read->transfer.get(), handle_, endpoint_, buffer.data(),
                              static_cast<int>(buffer.size()), completed, read.get(), 0);
    if (outcomeOf(libusb_submit_transfer(read->transfer.get()), "submitting a bulk read") !=
        UsbOutcome::Done) {
        spare_.push_back(std::move(read));
        return false;
    }
    queued_.push_back(std::move(read));
    return true;
}

std::optional<std::size_t> LibusbBulkQueue::next(std::chrono::milliseconds limit,
                                                 std::stop_token stop) {
    UniqueLock lock(mutex_);
    if (queued_.empty()) {
        return std::nullopt;
    }
    Read* oldest = queued_.front().get();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // The callback writes `finished` under mutex_, which `lock` holds whenever this looks.
    const bool done = changed_.wait_until(lock, stop, deadline,
                                          [oldest]() NO_THREAD_SAFETY { return oldest->finished; });
    if (!done) {
        lock.unlock();
        cancelQueued();
        lock.lock();
    }
    const libusb_transfer_status status = oldest->status;
    const auto received = static_cast<std::size_t>(oldest->received);
    const UsbOutcome outcome = outcomeOf(status, "bulk read");
    // A frame of the wrong length is the camera's doing: the reads behind it stay for the next.
    if (done && (outcome == UsbOutcome::Done || outcome == UsbOutcome::Overflow)) {
        spare_.push_back(std::move(queued_.front()));
        queued_.pop_front();
        return outcome == UsbOutcome::Done ? received : 0;
    }
    // Whatever went wrong, the reads behind this one would fill the wrong buffers: end them.
    lock.unlock();
    cancelQueued();
    switch (outcome) {
        case UsbOutcome::Done:
        case UsbOutcome::TimedOut:
        case UsbOutcome::Cancelled:
            // libusb reports a transfer that completed while it was being cancelled as cancelled,
            // with what arrived: a whole frame that raced the cancellation is not thrown away.
            return received;
        case UsbOutcome::Overflow:
            return 0;  // a frame longer than asked for: dropped like any frame of the wrong length
        case UsbOutcome::Stalled:
            // The pipe is halted; clear it so that a later stream can start, but end this one.
            libusb_clear_halt(handle_, endpoint_);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::size_t LibusbBulkQueue::pending() {
    MutexLock lock(mutex_);
    return queued_.size();
}

void LibusbBulkQueue::cancel() {
    cancelQueued();
}

void LibusbBulkQueue::cancelQueued() {
    std::vector<libusb_transfer*> unfinished;
    {
        MutexLock lock(mutex_);
        for (const auto& read : queued_) {
            if (!read->finished) {
                unfinished.push_back(read->transfer.get());
            }
        }
    }
    // Cancelled outside the lock, which the callbacks take; only this thread changes the queue.
    for (libusb_transfer* transfer : unfinished) {
        // Fails harmlessly when the read completed meanwhile; either way the callback comes.
        libusb_cancel_transfer(transfer);
    }
    UniqueLock lock(mutex_);
    // Until its callback a read may still write into its buffer: wait for every one.
    changed_.wait(lock, [this]() NO_THREAD_SAFETY {
        for (const auto& read : queued_) {
            if (!read->finished) {
                return false;
            }
        }
        return true;
    });
    recycleAll();
}

void LibusbBulkQueue::recycleAll() {
    for (auto& read : queued_) {
        spare_.push_back(std::move(read));
    }
    queued_.clear();
}

}  // namespace qlv
