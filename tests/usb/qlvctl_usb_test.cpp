// The command-line tool on the real path: qlvctl, in a process of its own, finds the emulated
// cameras through libusb like any program would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <virtual_camera/virtual_camera.h>

#include "child_process.h"
#include "emulated_bus.h"

namespace {

constexpr std::uint16_t listedProductId = 0x0002;

usbtest::Finished qlvctl(const std::vector<std::string>& words) {
    std::vector<std::string> args{QLVCTL_PATH};
    args.insert(args.end(), words.begin(), words.end());
    // qlvctl is built like the tests, so the preload (sanitizer runtime first) stays as it is.
    const char* preload = std::getenv("LD_PRELOAD");
    return usbtest::runChild(args, preload != nullptr ? preload : "", {"QLV_USB_IDS=1209:0002"});
}

TEST(QlvctlOnTheBus, ListsEachCandidateWithHowItMatched) {
    auto camera = std::make_shared<vcam::VirtualCamera>();
    auto& described = usbtest::bus().add(camera, usbemu::Variant::MsOs10);
    auto& listed =
        usbtest::bus().add(camera, usbemu::Variant::Plain, usbemu::testVendorId, listedProductId);
    const auto list = qlvctl({"list"});
    usbtest::bus().remove(described);
    usbtest::bus().remove(listed);

    EXPECT_TRUE(list.exitedWith(0)) << list.output;
    EXPECT_NE(list.output.find("1209:0001  interface 0  matched by MS OS 1.0 descriptors"),
              std::string::npos)
        << list.output;
    EXPECT_NE(list.output.find("1209:0002  interface 0  matched by QLV_USB_IDS"), std::string::npos)
        << list.output;
}

TEST(QlvctlOnTheBus, StatusReachesTheCameraThroughLibusb) {
    vcam::Options options;
    options.lines480 = false;
    auto camera = std::make_shared<vcam::VirtualCamera>(options);
    auto& device = usbtest::bus().add(camera, usbemu::Variant::MsOs20);
    const auto status = qlvctl({"status"});
    usbtest::bus().remove(device);

    EXPECT_TRUE(status.exitedWith(0)) << status.output;
    EXPECT_NE(status.output.find("camera            present"), std::string::npos) << status.output;
    EXPECT_NE(status.output.find("640 x 512 (512 lines)"), std::string::npos) << status.output;
    EXPECT_GT(camera->requests().size(), 0u) << "the status came from this camera";
}

TEST(QlvctlOnTheBus, EmptyBusIsToldPlainly) {
    const auto list = qlvctl({"list"});
    EXPECT_TRUE(list.exitedWith(2)) << list.output;
    EXPECT_NE(list.output.find("no camera found"), std::string::npos) << list.output;
}

}  // namespace
