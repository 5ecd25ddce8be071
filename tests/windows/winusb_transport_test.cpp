// The WinUSB transport against a scripted device: which interface is taken, what an open accepts
// and releases, what crosses endpoint 0, and how a bulk read ends (frame, limit, stop, unplug).
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "../common/eventually.h"
#include "fake_winusb.h"
#include "transport/winusb_transport.h"

namespace qlv {
namespace {

using namespace std::chrono_literals;
using test::FakeDevice;

class WinUsb : public ::testing::Test {
protected:
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    WinUsbTransport transport{test::fakeApi(device)};

    // Runs `action` on another thread once a read is in flight (the driver's side of the read).
    std::jthread whenReadPending(std::function<void()> action) {
        return std::jthread([this, action = std::move(action)] {
            const bool pending = test::eventually([this] {
                const std::lock_guard lock(device->mutex);
                return device->pending != nullptr;
            });
            if (pending) {
                action();
            }
        });
    }
};

TEST_F(WinUsb, CountsTheCameraInterfacesAndNoneWithoutAList) {
    EXPECT_EQ(transport.countCameras(), 1);
    device->paths.push_back("\\\\?\\usb#second");
    EXPECT_EQ(transport.countCameras(), 2);
    device->listFails = true;
    EXPECT_EQ(transport.countCameras(), 0) << "an unreadable list counts as the camera gone";
}

struct OpenCase {
    const char* name;
    std::vector<WINUSB_PIPE_INFORMATION> pipes;
    bool initializeFails;
    bool opens;
};

void PrintTo(const OpenCase& openCase, std::ostream* out) {
    *out << openCase.name;
}

class WinUsbOpen : public WinUsb, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(WinUsbOpen, TakesOnlyTheCameraPipesAndReleasesAFailedOpen) {
    device->pipes = GetParam().pipes;
    device->initializeFails = GetParam().initializeFails;
    EXPECT_EQ(transport.open(), GetParam().opens);
    EXPECT_EQ(device->filesOpen, GetParam().opens ? 1 : 0);
    EXPECT_EQ(device->interfacesOpen, GetParam().opens ? 1 : 0);
    transport.close();
    EXPECT_EQ(device->filesOpen, 0);
    EXPECT_EQ(device->interfacesOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pipes, WinUsbOpen,
    ::testing::Values(
        OpenCase{"BulkInAndOut",
                 {{UsbdPipeTypeBulk, 0x81, 512, 0}, {UsbdPipeTypeBulk, 0x02, 512, 0}},
                 false,
                 true},
        OpenCase{"WithInterrupt",
                 {{UsbdPipeTypeInterrupt, 0x83, 8, 1}, {UsbdPipeTypeBulk, 0x81, 512, 0}},
                 false,
                 true},
        OpenCase{"Isochronous",
                 {{UsbdPipeTypeBulk, 0x81, 512, 0}, {UsbdPipeTypeIsochronous, 0x84, 1024, 1}},
                 false,
                 false},
        OpenCase{"NoBulkIn", {{UsbdPipeTypeBulk, 0x02, 512, 0}}, false, false},
        OpenCase{"WinUsbRefuses", {{UsbdPipeTypeBulk, 0x81, 512, 0}}, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WinUsb, OpensNothingWithoutAnInterfaceAndReopeningReleasesFirst) {
    device->paths.clear();
    EXPECT_FALSE(transport.open());
    EXPECT_EQ(device->filesOpen, 0);
    device->paths.push_back("\\\\?\\usb#back");
    ASSERT_TRUE(transport.open());
    ASSERT_TRUE(transport.open());
    EXPECT_EQ(device->filesOpen, 1);
    EXPECT_EQ(device->interfacesOpen, 1);
}

TEST_F(WinUsb, ControlTransferSendsTheSetupPacketAndDataStage) {
    EXPECT_FALSE(transport.controlTransfer({0xC0, 0x12, 0, 0, 5}, {}, 1000ms)) << "not open";
    ASSERT_TRUE(transport.open());
    device->controlAnswer = {1, 0, 0, 0, 7};
    std::vector<std::uint8_t> status(5);
    ASSERT_TRUE(transport.controlTransfer({0xC0, 0x12, 0x0102, 0x0304, 5}, status, 1000ms));
    EXPECT_EQ(status, device->controlAnswer);
    ASSERT_EQ(device->controlsSent.size(), 1u);
    const WINUSB_SETUP_PACKET& sent = device->controlsSent[0];
    EXPECT_EQ(sent.RequestType, 0xC0);
    EXPECT_EQ(sent.Request, 0x12);
    EXPECT_EQ(sent.Value, 0x0102);
    EXPECT_EQ(sent.Index, 0x0304);
    EXPECT_EQ(sent.Length, 5);
    EXPECT_EQ(device->controlTimeoutMs, 1000u);

    std::vector<std::uint8_t> small(2);
    EXPECT_FALSE(transport.controlTransfer({0xC0, 0x12, 0, 0, 5}, small, 1000ms))
        << "a data stage shorter than wLength is never handed to the driver";
    device->controlFails = true;
    EXPECT_FALSE(transport.controlTransfer({0x40, 0x13, 0, 1, 3}, status, 1000ms));
}

TEST_F(WinUsb, BulkReadReturnsAFrameDoneAtOnceOrLater) {
    ASSERT_TRUE(transport.open());
    std::vector<std::uint8_t> buffer(16);
    device->readyFrames.push_back({1, 2, 3});
    EXPECT_EQ(transport.readBulk(buffer, 1000ms, {}), 3u);

    const auto camera = whenReadPending([this] { device->completePending({9, 8, 7, 6}); });
    EXPECT_EQ(transport.readBulk(buffer, 5000ms, {}), 4u);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(device->aborts, 0);
}

TEST_F(WinUsb, BulkReadEndsWithNothingAtTheLimitOrAStopAndAbortsThePipe) {
    ASSERT_TRUE(transport.open());
    std::vector<std::uint8_t> buffer(16);
    EXPECT_EQ(transport.readBulk(buffer, 20ms, {}), 0u);
    EXPECT_EQ(device->aborts, 1);

    std::stop_source stop;
    const auto stopper = whenReadPending([&stop] { stop.request_stop(); });
    EXPECT_EQ(transport.readBulk(buffer, 60000ms, stop.get_token()), 0u);
    EXPECT_EQ(device->aborts, 2);
    const std::lock_guard lock(device->mutex);
    EXPECT_EQ(device->pending, nullptr) << "the read has ended before readBulk returns";
}

TEST_F(WinUsb, BulkReadFailsWhenTheCameraIsUnplugged) {
    std::vector<std::uint8_t> buffer(16);
    EXPECT_EQ(transport.readBulk(buffer, 20ms, {}), std::nullopt) << "not open";
    ASSERT_TRUE(transport.open());
    const auto unplug =
        whenReadPending([this] { device->failPending(ERROR_DEVICE_NOT_CONNECTED); });
    EXPECT_EQ(transport.readBulk(buffer, 60000ms, {}), std::nullopt);
}

}  // namespace
}  // namespace qlv
