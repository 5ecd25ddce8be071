// The seam between the library and the bus. One realisation per platform bus stack (libusb here,
// WinUSB elsewhere) plus the in-process virtual camera.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>

namespace qlv {

// The USB setup packet of a vendor control transfer.
struct SetupPacket {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
};

// Bulk IN reads queued on the pipe ahead of time, so that the next frame always has a read waiting
// while the current one is handed on. Reads complete in the order queued (the pipe's own order).
// One thread uses a queue.
class BulkQueue {
public:
    // Cancels whatever is queued and returns once no read touches its buffer.
    virtual ~BulkQueue() = default;
    // Queues a read of up to buffer.size() bytes. False when it cannot be queued (device gone).
    virtual bool submit(std::span<std::uint8_t> buffer) = 0;
    // Waits for the oldest queued read and returns its bytes; the reads behind it stay queued.
    // After `limit` or on `stop` every queued read is cancelled and awaited, and what the oldest
    // received is returned (usually 0); nullopt for a failed read, after which nothing is queued
    // either.
    virtual std::optional<std::size_t> next(std::chrono::milliseconds limit,
                                            std::stop_token stop) = 0;
    // Cancels every queued read and waits until none touches its buffer.
    virtual void cancel() = 0;
    // Reads still queued.
    virtual std::size_t pending() = 0;
};

// Every operation may be called from any thread; the library serialises control transfers itself
// and never closes the device while a transfer is in flight.
class UsbTransport {
public:
    virtual ~UsbTransport() = default;

    // Number of camera interfaces present on the bus; 0 when the list cannot be obtained.
    virtual int countCameras() = 0;

    // Opens the first camera, releasing a previous open first. False when it cannot be opened or
    // its endpoints are not those of the camera.
    virtual bool open() = 0;

    // Releases the device; harmless when nothing is open.
    virtual void close() = 0;

    // One control transfer on endpoint 0; `data` is the data stage (setup.length bytes). A short
    // IN transfer counts as success.
    virtual bool controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                                 std::chrono::milliseconds timeout) = 0;

    // One bulk IN transfer of up to buffer.size() bytes. Returns the bytes received; 0 when
    // `limit` passes or `stop` is requested first, after which the transfer no longer touches
    // `buffer`; nullopt when the transfer fails (device gone, pipe error).
    virtual std::optional<std::size_t> readBulk(std::span<std::uint8_t> buffer,
                                                std::chrono::milliseconds limit,
                                                std::stop_token stop) = 0;

    // A queue of bulk reads. By default reads go one at a time through readBulk when next() is
    // called; a bus stack that can keep transfers queued does so.
    virtual std::unique_ptr<BulkQueue> bulkQueue();
};

}  // namespace qlv
