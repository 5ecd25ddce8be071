// LibusbTransport on its own, on the emulated bus: which devices it takes, what an open takes and
// gives back, control transfers, and the bulk read's limit, stop and failures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include <virtual_camera/virtual_camera.h>

#include "emulated_bus.h"
#include "transport/libusb_transport.h"

namespace qlv {
namespace {

using namespace std::chrono_literals;

constexpr usb::UsbId testId{usbemu::testVendorId, usbemu::testProductId};

// Waits for something the emulator or the camera reaches on their own threads.
bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

vcam::Options brisk() {
    vcam::Options options;
    options.controlLatency = std::chrono::microseconds(20);
    options.framesPerSecond = 100;
    return options;
}

// Devices this test put on the bus; taken off again at its end.
class OnTheBus : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto* device : devices) {
            usbtest::bus().remove(*device);
        }
    }

    usbemu::EmulatedDevice& plug(usbemu::Variant variant,
                                 std::uint16_t productId = usbemu::testProductId) {
        auto camera = std::make_shared<vcam::VirtualCamera>(brisk());
        devices.push_back(&usbtest::bus().add(camera, variant, usbemu::testVendorId, productId));
        return *devices.back();
    }

    std::vector<usbemu::EmulatedDevice*> devices;
};

// ---- which devices are taken ----------------------------------------------------------------

using Matching = OnTheBus;

TEST_F(Matching, EachKindOfRecognitionNamesItsDevice) {
    auto& ms10 = plug(usbemu::Variant::MsOs10, 0x0001);
    auto& ms20 = plug(usbemu::Variant::MsOs20, 0x0002);
    auto& plain = plug(usbemu::Variant::Plain, 0x0003);
    LibusbTransport transport({{usbemu::testVendorId, 0x0003}});

    const auto found = transport.candidates();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].address, ms10.address());
    EXPECT_EQ(found[0].matchedBy, MatchedBy::MsOs10Descriptors);
    EXPECT_EQ(found[1].address, ms20.address());
    EXPECT_EQ(found[1].matchedBy, MatchedBy::MsOs20Descriptors);
    EXPECT_EQ(found[2].address, plain.address());
    EXPECT_EQ(found[2].matchedBy, MatchedBy::UsbIds);
    for (const auto& candidate : found) {
        EXPECT_EQ(candidate.bus, 1);
        EXPECT_EQ(candidate.interfaceNumber, 0);
        EXPECT_EQ(candidate.id.vendor, usbemu::testVendorId);
    }
    EXPECT_EQ(transport.countCameras(), 3);
}

TEST_F(Matching, ADeviceThatIsNotTheCameraGetsNoVendorRequest) {
    auto& stranger = plug(usbemu::Variant::Plain);
    auto& camera = plug(usbemu::Variant::MsOs10);
    LibusbTransport transport(std::vector<usb::UsbId>{});
    ASSERT_EQ(transport.countCameras(), 1);
    ASSERT_TRUE(transport.open());
    EXPECT_EQ(transport.candidates().front().address, camera.address());
    transport.close();
    EXPECT_TRUE(stranger.camera().requests().empty())
        << "only descriptor reads may reach a device that is not the camera";
}

TEST_F(Matching, DescriptorsAreReadOncePerDeviceAndAgainAfterAReplug) {
    auto& camera = plug(usbemu::Variant::MsOs10);
    LibusbTransport transport(std::vector<usb::UsbId>{});
    ASSERT_EQ(transport.countCameras(), 1);
    const auto probed = camera.stats().controlRequests;
    EXPECT_GT(probed, 0u);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(transport.countCameras(), 1);
    }
    EXPECT_EQ(camera.stats().controlRequests, probed) << "the count reads no descriptors";

    camera.unplug();
    ASSERT_TRUE(eventually([&] { return transport.countCameras() == 0; }));
    camera.plug();
    ASSERT_TRUE(eventually([&] { return transport.countCameras() == 1; }));
    EXPECT_GT(camera.stats().controlRequests, probed) << "a replugged device is a new device";
    EXPECT_EQ(transport.candidates().front().address, camera.address());
}

TEST_F(Matching, ListedIdsAloneFindADeviceWithoutMicrosoftDescriptors) {
    plug(usbemu::Variant::Plain);
    EXPECT_EQ(LibusbTransport(std::vector<usb::UsbId>{}).countCameras(), 0);
    EXPECT_EQ(LibusbTransport({{0x1209, 0x0002}, testId}).countCameras(), 1);
}

// ---- open and close -------------------------------------------------------------------------

using Opening = OnTheBus;

TEST_F(Opening, OpenClaimsTheInterfaceAndCloseGivesEverythingBack) {
    auto& camera = plug(usbemu::Variant::MsOs10);
    LibusbTransport transport(std::vector<usb::UsbId>{});
    ASSERT_TRUE(transport.open());
    EXPECT_TRUE(camera.stats().interfaceClaimed);
    EXPECT_TRUE(eventually([&] { return camera.stats().openClients == 1; }))
        << "the probe's descriptor is closed, the open one stays";

    ASSERT_TRUE(transport.open()) << "a second open replaces the first";
    EXPECT_TRUE(eventually([&] { return camera.stats().openClients == 1; }));

    transport.close();
    EXPECT_FALSE(camera.stats().interfaceClaimed);
    EXPECT_TRUE(eventually([&] { return camera.stats().openClients == 0; }));
    EXPECT_EQ(camera.stats().closedWhileClaimed, 0u) << "released before the handle was closed";
}

TEST_F(Opening, AnIsochronousEndpointRefusesTheOpenAndLeavesNothingTaken) {
    auto& odd = plug(usbemu::Variant::Isochronous);
    LibusbTransport transport(std::vector<usb::UsbId>{});
    ASSERT_EQ(transport.countCameras(), 1) << "it names the camera's GUID";
    EXPECT_FALSE(transport.open());
    EXPECT_TRUE(eventually([&] { return odd.stats().openClients == 0; }))
        << "the handle of the refused open was closed";
    EXPECT_FALSE(odd.stats().interfaceClaimed);
    EXPECT_EQ(odd.stats().closedWhileClaimed, 0u) << "the interface was released first";
}

TEST_F(Opening, NothingToOpenOnAnEmptyBus) {
    LibusbTransport transport(std::vector<usb::UsbId>{});
    EXPECT_EQ(transport.countCameras(), 0);
    EXPECT_FALSE(transport.open());
    std::uint8_t status[5]{};
    EXPECT_FALSE(transport.controlTransfer({0xC0, 0x12, 0, 0, 5}, status, 1s));
}

TEST_F(Opening, MissingPermissionIsToldOncePerDevice) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root opens any device node";
    }
    auto& camera = plug(usbemu::Variant::Plain);
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", camera.bus(), *camera.address());
    std::filesystem::permissions(usbtest::bus().rootDir() + node, std::filesystem::perms::none);
    LibusbTransport transport({testId});
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(transport.open());
    }
    const std::string told = ::testing::internal::GetCapturedStderr();
    const auto first = told.find("no permission");
    ASSERT_NE(first, std::string::npos) << told;
    EXPECT_EQ(told.find("no permission", first + 1), std::string::npos) << told;
    EXPECT_NE(told.find("70-qlv-camera.rules"), std::string::npos) << "the message names the fix";
}

// ---- control transfers ----------------------------------------------------------------------

class Control : public OnTheBus {
protected:
    void SetUp() override {
        device = &plug(usbemu::Variant::MsOs10);
        ASSERT_TRUE(transport.open());
        device->camera().clearRequests();
    }

    usbemu::EmulatedDevice* device = nullptr;
    LibusbTransport transport{std::vector<usb::UsbId>{}};
};

TEST_F(Control, TheSetupPacketArrivesAsSentAndTheAnswerComesBack) {
    std::uint8_t write[4] = {0x12, 0x34, 0x56, 0x78};
    ASSERT_TRUE(transport.controlTransfer({0x40, 0x19, 1, 0x2345, 4}, write, 1s));
    std::uint8_t read[4]{};
    ASSERT_TRUE(transport.controlTransfer({0xC0, 0x18, 1, 0x2345, 4}, read, 1s));
    EXPECT_EQ(std::vector<std::uint8_t>(read, read + 4),
              std::vector<std::uint8_t>(write, write + 4));

    const auto requests = device->camera().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].setup.requestType, 0x40);
    EXPECT_EQ(requests[0].setup.request, 0x19);
    EXPECT_EQ(requests[0].setup.value, 1);
    EXPECT_EQ(requests[0].setup.index, 0x2345);
    EXPECT_EQ(requests[0].data, std::vector<std::uint8_t>(write, write + 4));
}

TEST_F(Control, AShortAnswerIsASuccessAndARefusalIsNot) {
    std::uint8_t status[16]{};
    EXPECT_TRUE(transport.controlTransfer({0xC0, 0x12, 0, 0, 16}, status, 1s))
        << "the camera answers 5 of 16 bytes";
    EXPECT_EQ(status[0], 1) << "mode";

    device->camera().failNextControlTransfers(1);
    EXPECT_FALSE(transport.controlTransfer({0xC0, 0x12, 0, 0, 5}, status, 1s));
    EXPECT_TRUE(transport.controlTransfer({0xC0, 0x12, 0, 0, 5}, status, 1s));
}

// ---- the bulk read --------------------------------------------------------------------------

class BulkRead : public Control {
protected:
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(614'912);
    std::stop_source never;
};

TEST_F(BulkRead, DeliversOneWholeTaggedFrame) {
    const auto received = transport.readBulk(buffer, 5000ms, never.get_token());
    ASSERT_EQ(received, 614'400u);
    const auto top = vcam::decodeTopTag(buffer, 640, 480);
    ASSERT_TRUE(top.has_value());
    EXPECT_EQ(top, vcam::decodeBottomTag(buffer, 640, 480));
}

TEST_F(BulkRead, AFrameOfTheWrongLengthComesAsItIs) {
    device->camera().injectFrameFault(vcam::FrameFault::Short);
    EXPECT_EQ(transport.readBulk(buffer, 5000ms, never.get_token()), 614'399u);
    EXPECT_EQ(transport.readBulk(buffer, 5000ms, never.get_token()), 614'400u);
}

TEST_F(BulkRead, TheLimitCancelsTheTransferBeforeReturningNothing) {
    device->camera().stallStream(30s);
    EXPECT_EQ(transport.readBulk(buffer, 300ms, never.get_token()), 0u);
    EXPECT_EQ(device->camera().pendingBulkReads(), 0) << "nothing can write into the buffer now";
    EXPECT_EQ(device->stats().discardedUrbs, 1u);
}

TEST_F(BulkRead, StopCancelsTheTransferBeforeReturningNothing) {
    device->camera().stallStream(30s);
    std::stop_source stop;
    auto reading = std::async(std::launch::async,
                              [&] { return transport.readBulk(buffer, 60s, stop.get_token()); });
    ASSERT_TRUE(eventually([&] { return device->camera().pendingBulkReads() == 1; }));
    stop.request_stop();
    EXPECT_EQ(reading.get(), 0u);
    EXPECT_EQ(device->camera().pendingBulkReads(), 0);
}

TEST_F(BulkRead, UnplugFailsTheReadInFlight) {
    device->camera().stallStream(30s);
    auto reading = std::async(std::launch::async,
                              [&] { return transport.readBulk(buffer, 60s, never.get_token()); });
    ASSERT_TRUE(eventually([&] { return device->camera().pendingBulkReads() == 1; }));
    device->unplug();
    EXPECT_FALSE(reading.get().has_value());
    EXPECT_FALSE(transport.readBulk(buffer, 1s, never.get_token()).has_value())
        << "a gone device fails at once";
    std::uint8_t status[5]{};
    EXPECT_FALSE(transport.controlTransfer({0xC0, 0x12, 0, 0, 5}, status, 1s));
}

TEST_F(BulkRead, AFailedTransferIsAFailureOnAPresentDevice) {
    device->camera().failNextBulkTransfers(1);
    EXPECT_FALSE(transport.readBulk(buffer, 5000ms, never.get_token()).has_value());
    EXPECT_EQ(transport.countCameras(), 1);
    EXPECT_EQ(transport.readBulk(buffer, 5000ms, never.get_token()), 614'400u);
}

}  // namespace
}  // namespace qlv
