// The in-process virtual camera behind the transport seam.
#pragma once

#include <atomic>
#include <memory>

#include "transport/usb_transport.h"

namespace vcam {
class VirtualCamera;
}

namespace qlv {

class VirtualTransport final : public UsbTransport {
public:
    explicit VirtualTransport(std::shared_ptr<vcam::VirtualCamera> camera);
    ~VirtualTransport() override;

    int countCameras() override;
    bool open() override;
    void close() override;
    bool controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                         std::chrono::milliseconds timeout) override;
    std::optional<std::size_t> readBulk(std::span<std::uint8_t> buffer,
                                        std::chrono::milliseconds limit,
                                        std::stop_token stop) override;

private:
    std::shared_ptr<vcam::VirtualCamera> camera_;
    std::atomic<bool> open_{false};
};

}  // namespace qlv
