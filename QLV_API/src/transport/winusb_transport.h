// The camera on the real bus on Windows: found by its device-interface GUID through SetupAPI and
// driven through WinUSB.
#pragma once

#include <memory>

#include "transport/usb_transport.h"
#include "transport/winusb_api.h"

namespace qlv {

// {766CCC40-C72E-434F-8B56-209EF2EDDBBE}, the interface the camera's driver registers.
extern const GUID cameraInterfaceGuid;

class WinUsbTransport final : public UsbTransport {
public:
    WinUsbTransport();  // the system's SetupAPI and WinUSB
    explicit WinUsbTransport(std::unique_ptr<winusb::Api> api);
    ~WinUsbTransport() override;
    WinUsbTransport(const WinUsbTransport&) = delete;
    WinUsbTransport& operator=(const WinUsbTransport&) = delete;

    int countCameras() override;
    // Opens the first camera interface and checks the pipes of alternate setting 0: one bulk IN
    // pipe (the frames), bulk OUT and interrupt pipes allowed, anything else refused. A failed
    // open releases whatever it took.
    bool open() override;
    void close() override;
    bool controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                         std::chrono::milliseconds timeout) override;
    // One overlapped read, waited for on its event together with the stop request. On the limit
    // or a stop the pipe is aborted and the read's end awaited before returning, so the caller may
    // reuse the buffer at once; a frame that completed in the meantime is kept.
    std::optional<std::size_t> readBulk(std::span<std::uint8_t> buffer,
                                        std::chrono::milliseconds limit,
                                        std::stop_token stop) override;

private:
    std::unique_ptr<winusb::Api> api_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    WINUSB_INTERFACE_HANDLE interface_ = nullptr;
    UCHAR bulkIn_ = 0;
    ULONG controlTimeoutMs_ = 0;  // the control pipe's policy as last set; 0 = not yet set
};

}  // namespace qlv
