#include "transport/virtual_transport.h"

#include <virtual_camera/virtual_camera.h>

namespace qlv {

VirtualTransport::VirtualTransport(std::shared_ptr<vcam::VirtualCamera> camera)
    : camera_(std::move(camera)) {}

VirtualTransport::~VirtualTransport() {
    close();
}

int VirtualTransport::countCameras() {
    return camera_->interfaceCount();
}

bool VirtualTransport::open() {
    close();
    open_ = camera_->open();
    return open_;
}

void VirtualTransport::close() {
    if (open_.exchange(false)) {
        camera_->close();
    }
}

bool VirtualTransport::controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                                       std::chrono::milliseconds /*timeout*/) {
    if (!open_) {
        return false;
    }
    const vcam::SetupPacket packet{setup.requestType, setup.request, setup.value, setup.index,
                                   setup.length};
    return camera_->control(packet, data).has_value();
}

std::optional<std::size_t> VirtualTransport::readBulk(std::span<std::uint8_t> buffer,
                                                      std::chrono::milliseconds limit,
                                                      std::stop_token stop) {
    if (!open_) {
        return std::nullopt;
    }
    return camera_->bulkIn(buffer, std::chrono::steady_clock::now() + limit, std::move(stop));
}

}  // namespace qlv
