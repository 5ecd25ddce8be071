#include "transport/transport_factory.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

#include <virtual_camera/virtual_camera.h>

#include "transport/virtual_transport.h"

namespace qlv {
namespace {

std::mutex factoryMutex;
std::function<std::unique_ptr<UsbTransport>()> testFactory;  // guarded by factoryMutex

// Stands for the real bus until a platform transport is built in: it finds no camera.
class NoBusTransport final : public UsbTransport {
public:
    int countCameras() override { return 0; }
    bool open() override { return false; }
    void close() override {}
    bool controlTransfer(const SetupPacket&, std::span<std::uint8_t>,
                         std::chrono::milliseconds) override {
        return false;
    }
    std::optional<std::size_t> readBulk(std::span<std::uint8_t>, std::chrono::milliseconds,
                                        std::stop_token) override {
        return std::nullopt;
    }
};

bool virtualCameraSelected() {
    const char* choice = std::getenv("QLV_CAMERA");
    return choice != nullptr && std::string_view(choice) == "virtual";
}

}  // namespace

std::unique_ptr<UsbTransport> makeTransport() {
    {
        std::lock_guard lock(factoryMutex);
        if (testFactory) {
            return testFactory();
        }
    }
    if (virtualCameraSelected()) {
        return std::make_unique<VirtualTransport>(vcam::VirtualCamera::shared());
    }
    return std::make_unique<NoBusTransport>();
}

void setTransportFactoryForTesting(std::function<std::unique_ptr<UsbTransport>()> factory) {
    std::lock_guard lock(factoryMutex);
    testFactory = std::move(factory);
}

}  // namespace qlv
