#include "transport/transport_factory.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

#include <virtual_camera/virtual_camera.h>

#ifdef _WIN32
#include "transport/winusb_transport.h"
#else
#include "transport/libusb_transport.h"
#endif
#include "transport/virtual_transport.h"

namespace qlv {
namespace {

std::mutex factoryMutex;
std::function<std::unique_ptr<UsbTransport>()> testFactory;  // guarded by factoryMutex

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
#ifdef _WIN32
    return std::make_unique<WinUsbTransport>();
#else
    return std::make_unique<LibusbTransport>();
#endif
}

void setTransportFactoryForTesting(std::function<std::unique_ptr<UsbTransport>()> factory) {
    std::lock_guard lock(factoryMutex);
    testFactory = std::move(factory);
}

}  // namespace qlv
