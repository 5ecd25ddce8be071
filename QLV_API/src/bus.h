// The library's side of the bus: the connection to the camera, the bus lock that admits one
// control transfer at a time, and the in-flight count that Disconnect waits on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>

#include "thread_annotations.h"
#include "transport/usb_transport.h"

namespace qlv {

enum class Direction : std::uint8_t { In, Out };

// The vendor requests the camera understands.
namespace request {
inline constexpr std::uint8_t Identify = 0x10;
inline constexpr std::uint8_t Status = 0x12;
inline constexpr std::uint8_t SetStatus = 0x13;
inline constexpr std::uint8_t I2CRead = 0x14;
inline constexpr std::uint8_t I2CWrite = 0x15;
inline constexpr std::uint8_t EepromRead = 0x16;
inline constexpr std::uint8_t EepromWrite = 0x17;
inline constexpr std::uint8_t DeviceRead = 0x18;
inline constexpr std::uint8_t DeviceWrite = 0x19;
}  // namespace request

struct VendorRequest {
    std::uint8_t code = 0;
    Direction direction = Direction::In;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
};

class Bus {
public:
    // Frames that do not complete in this time are given up as 0 bytes.
    static constexpr std::chrono::milliseconds bulkReadLimit{5000};
    // A control transfer never waits longer than this on the bus: a second, and 0.2 ms more a
    // byte, since a real EEPROM moves its bytes at I2C speed (64 KiB: about 14 s).
    static constexpr std::chrono::milliseconds controlTimeoutFor(std::size_t length) {
        return std::chrono::milliseconds(1000 + static_cast<std::int64_t>(length / 5));
    }

    explicit Bus(std::unique_ptr<UsbTransport> transport);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // ---- Monitor thread only ----
    // Opens, identifies and probes the camera; true once it is connected.
    bool connect();
    // Waits until no transfer is in flight, then closes the device. New transfers are refused
    // from the moment it begins.
    void disconnect();
    // Releases a device left open by a failed connect.
    void release();
    int countCameras();

    // ---- Any thread ----
    bool connected() const { return connected_.load(); }
    // 640-wide frames have 480 lines when set, 512 when clear; decided at connect.
    bool lines480() const { return lines480_.load(); }

    // One vendor request through the bus lock; `data` is the data stage. False when the camera is
    // not connected (nothing is sent) or the transfer fails.
    bool control(const VendorRequest& request, std::span<std::uint8_t> data);

    // One frame from the bulk IN pipe, not under the bus lock but counted in flight. Returns the
    // bytes received (0 after bulkReadLimit or when `stop` is requested), nullopt on failure or
    // while not connected.
    std::optional<std::size_t> readFrame(std::span<std::uint8_t> buffer, std::stop_token stop);

    // Bulk reads of one stream, queued ahead on the pipe (see BulkQueue). The queue counts as a
    // transfer in flight until it is destroyed, so the device is not closed under its reads, and
    // its next() fails once a disconnect has begun. Null while not connected.
    std::unique_ptr<BulkQueue> openFrameReads();

private:
    class FrameReads;

    bool transfer(const VendorRequest& request, std::span<std::uint8_t> data,
                  bool requireConnected);
    bool beginTransfer(bool requireConnected) EXCLUDES(stateMutex_);
    void endTransfer() EXCLUDES(stateMutex_);
    bool disconnectBegun() EXCLUDES(stateMutex_);

    std::unique_ptr<UsbTransport> transport_;

    // Held for the whole of one control transfer: the camera's endpoint 0 takes one at a time.
    Mutex busLock_;

    // connected_ changes only under stateMutex_ too.
    Mutex stateMutex_;
    std::condition_variable_any idle_;
    int inFlight_ GUARDED_BY(stateMutex_) = 0;
    bool disconnecting_ GUARDED_BY(stateMutex_) = false;
    std::atomic<bool> connected_{false};

    std::atomic<bool> lines480_{true};
};

}  // namespace qlv
