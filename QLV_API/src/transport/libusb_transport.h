// The camera on the real bus, through libusb.
//
// A device is taken for the camera when its VID:PID is listed in QLV_USB_IDS or when its Microsoft
// OS descriptors (1.0 or 2.0) name the camera's device-interface GUID. Devices that are neither
// receive no vendor request at all. What was learned about a device is kept until it leaves the
// bus, so that counting the cameras every 50 ms reads no descriptors.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "transport/libusb_matching.h"
#include "transport/usb_transport.h"

namespace qlv {

// How a device was recognised as the camera.
enum class MatchedBy { UsbIds, MsOs20Descriptors, MsOs10Descriptors };
// "QLV_USB_IDS", "MS OS 2.0 descriptors" or "MS OS 1.0 descriptors".
const char* describe(MatchedBy how);

// A device taken for the camera.
struct CandidateInfo {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    usb::UsbId id;
    MatchedBy matchedBy = MatchedBy::UsbIds;
    std::uint8_t interfaceNumber = 0;  // the interface the camera is reached through
};

class LibusbTransport final : public UsbTransport {
public:
    // Takes the ids from QLV_USB_IDS; a malformed value is reported once on stderr and ignored.
    LibusbTransport();
    explicit LibusbTransport(std::vector<usb::UsbId> listedIds);
    ~LibusbTransport() override;
    LibusbTransport(const LibusbTransport&) = delete;
    LibusbTransport& operator=(const LibusbTransport&) = delete;

    int countCameras() override;
    // Opens the first candidate (lowest bus, then address), claims its interface and checks the
    // endpoints of its alternate setting 0: one bulk IN pipe (the frames), bulk OUT and interrupt
    // pipes allowed, anything else refused. A failed open releases whatever it took.
    bool open() override;
    void close() override;
    // Times out after `timeout` (at least 1 ms: libusb takes 0 as "never").
    bool controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                         std::chrono::milliseconds timeout) override;
    // One asynchronous transfer into `buffer`. On the limit or a stop request it is cancelled and
    // the cancellation awaited before returning, so that the caller may reuse the buffer at once;
    // the result is then what arrived before the cancellation took effect (usually nothing; a
    // frame that completed in the meantime is not thrown away).
    std::optional<std::size_t> readBulk(std::span<std::uint8_t> buffer,
                                        std::chrono::milliseconds limit,
                                        std::stop_token stop) override;
    // Transfers queued on the pipe ahead of time, completing in order.
    std::unique_ptr<BulkQueue> bulkQueue() override;

    // The devices on the bus taken for the camera, in the order open() tries them.
    std::vector<CandidateInfo> candidates();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// For tools: the candidates on the bus right now, through a libusb session of its own
// (QLV_USB_IDS honoured). Empty when libusb cannot start.
std::vector<CandidateInfo> listCandidates();

}  // namespace qlv
