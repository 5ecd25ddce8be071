// A program we did not write reads the emulated device: lsusb -v, run on the same emulated bus,
// fetches every descriptor through usbfs (control transfers from another process) and decodes
// them with its own code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "child_process.h"
#include "emulated_bus.h"

namespace {

std::string lsusbVerbose(const usbemu::EmulatedDevice& device, int& status) {
    const std::string where = "1:" + std::to_string(*device.address());
    // lsusb is not built with our sanitizers: umockdev's library alone goes first.
    const auto lsusb = usbtest::runChild({QLV_LSUSB, "-v", "-s", where}, QLV_UMOCKDEV_PRELOAD);
    status = lsusb.status;
    return lsusb.output;
}

void expectAll(const std::string& output, std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
    }
}

TEST(Lsusb, ReadsTheEmulatedCamerasFully) {
    ASSERT_STRNE(QLV_LSUSB, "") << "lsusb was not found when configuring (package usbutils)";
    auto camera = std::make_shared<vcam::VirtualCamera>();
    auto& usb20 = usbtest::bus().add(camera, usbemu::Variant::MsOs10);
    auto& usb21 = usbtest::bus().add(camera, usbemu::Variant::MsOs20);
    int status20 = -1;
    int status21 = -1;
    const std::string output20 = lsusbVerbose(usb20, status20);
    const std::string output21 = lsusbVerbose(usb21, status21);
    usbtest::bus().remove(usb20);
    usbtest::bus().remove(usb21);
    ASSERT_TRUE(WIFEXITED(status20) && WEXITSTATUS(status20) == 0) << output20;
    ASSERT_TRUE(WIFEXITED(status21) && WEXITSTATUS(status21) == 0) << output21;

    // Strings come through control transfers, the rest from the sysfs descriptors.
    expectAll(output20, {
                            "idVendor           0x1209",
                            "idProduct          0x0001",
                            "bcdUSB               2.00",
                            "bMaxPacketSize0        64",
                            "iManufacturer           1 QLV",
                            "iProduct                2 QLV USB 2.0 camera (emulated)",
                            "iSerial                 3 EMU-0001",
                            "bNumInterfaces          1",
                            "MaxPower              500mA",
                            "bInterfaceClass       255",
                            "bEndpointAddress     0x81  EP 1 IN",
                            "bEndpointAddress     0x02  EP 2 OUT",
                            "Transfer Type            Bulk",
                            "wMaxPacketSize     0x0200  1x 512 bytes",
                            "Device Qualifier (for other device speed):",
                            "Device Status:     0x0000",
                        });
    expectAll(output21, {
                            "bcdUSB               2.10",
                            "Binary Object Store Descriptor:",
                            "Platform Device Capability:",
                            "{d8dd60df-4589-4cc7-9cd2-659d9e648a9f}",
                        });
    EXPECT_EQ(camera->requests().size(), 0u) << "lsusb sends no vendor request to the camera";
}

}  // namespace
