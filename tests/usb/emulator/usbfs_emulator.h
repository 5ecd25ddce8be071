// A USB bus for tests: the virtual camera served as a real device through Linux usbfs, so that the
// unmodified libusb (and any program on it, lsusb included) talks to it.
//
// umockdev's preload library redirects /sys and /dev into a testbed folder, fakes the uevents of
// hot-plugging, and forwards each ioctl on a device node to a handler in this process. The handler
// speaks usbfs: it takes URBs (SUBMITURB), hands them back when done (REAPURBNDELAY), cancels them
// (DISCARDURB) and answers the housekeeping requests. Endpoint 0 is answered from the device's
// descriptors and, for vendor requests, by the camera's firmware; the bulk IN pipe is filled by the
// camera at its own pace, straight into the reader's buffer.
//
// What it takes for this to work:
// - the preload is in LD_PRELOAD from exec (ensurePreloaded below re-executes when it is not);
// - the Emulator (its testbed) exists before the process's first libusb_init;
// - each device node is a FIFO whose readiness says "URBs to reap", so that libusb's poll sleeps
//   until there is something to reap;
// - the ioctl handler runs on umockdev's single worker thread and never blocks: control requests
//   and bulk reads are served by the device's own threads ("usbemu-ep0", "usbemu-bulk").
//
// A FIFO never polls with an error, as a real usbfs node does when its device goes; so a pulled
// cable completes the URBs in flight with ENODEV (libusb reports them as "no device") and every
// later request but reaping fails with ENODEV, as in the kernel.
//
// The bulk pipe writes into the reader's memory directly, so it serves readers in this process
// only; other processes (lsusb) get endpoint 0, which is all they use.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "usb_descriptors.h"

namespace vcam {
class VirtualCamera;
}

namespace usbemu {

class Attachment;

// Counted by every plug-in of a device.
struct UsageCounters {
    std::atomic<std::uint64_t> controlRequests{0};
    std::atomic<std::uint64_t> discardedUrbs{0};
    std::atomic<int> mostControlUrbsInFlight{0};
    std::atomic<std::uint64_t> bulkInCompleted{0};
    std::atomic<std::uint64_t> closedWhileClaimed{0};
};

// What a device has seen since it was added, over all its plug-ins.
struct DeviceStats {
    int openClients = 0;  // file descriptors open on the device node plugged in now
    bool interfaceClaimed = false;
    std::uint64_t controlRequests = 0;  // control URBs submitted
    std::uint64_t discardedUrbs = 0;    // DISCARDURB requests that found their URB
    int mostControlUrbsInFlight = 0;    // control URBs submitted and not yet done, at most
    std::uint64_t bulkInCompleted = 0;  // bulk IN URBs completed with data or a short packet
    // Descriptors closed with the interface still claimed: a program that does so leaves a
    // detached kernel driver detached.
    std::uint64_t closedWhileClaimed = 0;
};

// A camera on a port of the bus. Its cable follows the camera's: when the camera is unplugged (by
// a test, an armed fault or its control socket) the device leaves the bus, and when the camera is
// plugged in again the device comes back with a new device number.
class EmulatedDevice {
public:
    vcam::VirtualCamera& camera() { return *camera_; }
    // Pulls the cable / plugs it in: the camera and the bus at once.
    void unplug();
    void plug();

    std::uint8_t bus() const { return 1; }
    std::uint8_t port() const { return port_; }
    // While on the bus.
    std::optional<std::uint8_t> address() const;
    DeviceStats stats() const;
    const DeviceDescriptors& descriptors() const { return descriptors_; }

private:
    friend class Emulator;
    EmulatedDevice(class Emulator& emulator, std::shared_ptr<vcam::VirtualCamera> camera,
                   DeviceDescriptors descriptors, std::uint8_t port);

    class Emulator& emulator_;
    std::shared_ptr<vcam::VirtualCamera> camera_;
    DeviceDescriptors descriptors_;
    std::uint8_t port_;
    UsageCounters counters_;
    // Guarded by the emulator's busMutex_: the plug-in on the bus now (null while unplugged) and
    // every earlier one (kept, as their open descriptors may still be served).
    Attachment* current_ = nullptr;
    std::vector<std::unique_ptr<Attachment>> attachments_;
    bool removed_ = false;
};

class Emulator {
public:
    // Creates the testbed. Must come before the process's first libusb_init.
    Emulator();
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Connects a camera on the next free port; it is on the bus while the camera is plugged in.
    EmulatedDevice& add(std::shared_ptr<vcam::VirtualCamera> camera, Variant variant,
                        std::uint16_t vendorId = testVendorId,
                        std::uint16_t productId = testProductId);
    // Takes the device off the bus for good (the camera itself is left plugged in).
    void remove(EmulatedDevice& device);

    // The testbed's root folder (UMOCKDEV_DIR).
    std::string rootDir() const;

private:
    friend class EmulatedDevice;
    void followCables(std::stop_token stop);
    // Brings the bus in line with the device's camera. Requires busMutex_.
    void syncCable(EmulatedDevice& device);

    struct Testbed;
    std::unique_ptr<Testbed> testbed_;
    mutable std::mutex busMutex_;
    std::vector<std::unique_ptr<EmulatedDevice>> devices_;  // guarded by busMutex_
    int nextDeviceNumber_ = 2;                              // guarded by busMutex_
    std::jthread cableWatcher_;
};

// Re-executes the program through the emulation wrapper unless umockdev's preload library is
// already in LD_PRELOAD (it has to be there from exec). Returns only when it is.
void ensurePreloaded(int argc, char** argv);

}  // namespace usbemu
