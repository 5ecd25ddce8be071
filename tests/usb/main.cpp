// The emulated bus has to exist before the first libusb_init of the process, and umockdev's
// preload library has to be there from exec: both are settled before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>

#include "emulated_bus.h"

namespace usbtest {
namespace {
usbemu::Emulator* theBus = nullptr;
}

usbemu::Emulator& bus() {
    return *theBus;
}

}  // namespace usbtest

int main(int argc, char** argv) {
    usbemu::ensurePreloaded(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // The tests choose the bus and the listed ids themselves.
    unsetenv("QLV_CAMERA");
    unsetenv("QLV_USB_IDS");
    usbemu::Emulator emulator;
    usbtest::theBus = &emulator;
    const int result = RUN_ALL_TESTS();
    usbtest::theBus = nullptr;
    return result;
}
