// The monitor's connect, identify and disconnect cycle as callers of the exports see it.
#include "library_fixture.h"

namespace qlv::test {
namespace {

int identifyRequests(const vcam::VirtualCamera& camera) {
    int count = 0;
    for (const auto& request : camera.requests()) {
        count += request.setup.request == 0x10 ? 1 : 0;
    }
    return count;
}

using Monitor = LibraryTest;

TEST_F(Monitor, RequestsBeforeTheCameraIsConnectedSendNothing) {
    camera->unplug();
    ASSERT_EQ(QLV_Init(), 0);
    std::uint8_t status[5]{};
    EXPECT_EQ(QLV_GetDevStatus(status), 1);
    EXPECT_EQ(lastError(), 1);
    std::int32_t port = 0;
    EXPECT_EQ(QLV_InputPort(&port), 0);
    EXPECT_EQ(port, 4);
    for (const auto& request : camera->requests()) {
        EXPECT_NE(request.setup.request, 0x12) << "a status request reached the camera";
    }

    camera->plug();
    EXPECT_TRUE(eventually(cameraPresent));
    EXPECT_EQ(QLV_GetDevStatus(status), 0);
}

TEST_F(Monitor, WrongIdentificationIsRefusedAndRetried) {
    camera->setIdentificationText("QLVX");
    ASSERT_EQ(QLV_Init(), 0);
    ASSERT_TRUE(eventually([&] { return identifyRequests(*camera) >= 3; }))
        << "the monitor keeps asking while the camera stays plugged in";
    EXPECT_FALSE(cameraPresent());

    camera->setIdentificationText(std::string("QLV\0", 4));
    EXPECT_TRUE(eventually(cameraPresent));
}

TEST_F(Monitor, FailedSensorProbeKeepsTheCameraUnconnected) {
    camera->setI2CReadFails(true);
    ASSERT_EQ(QLV_Init(), 0);
    ASSERT_TRUE(eventually([&] { return identifyRequests(*camera) >= 2; }));
    EXPECT_FALSE(cameraPresent());
    camera->setI2CReadFails(false);
    EXPECT_TRUE(eventually(cameraPresent));
}

TEST_F(Monitor, UnplugDisconnectsAndReplugReconnects) {
    startConnected();
    camera->unplug();
    ASSERT_TRUE(eventually([] { return !cameraPresent(); }));
    std::uint8_t status[5]{};
    EXPECT_EQ(QLV_GetDevStatus(status), 1);

    camera->plug();
    ASSERT_TRUE(eventually(cameraPresent));
    EXPECT_EQ(QLV_GetDevStatus(status), 0);
}

TEST_F(Monitor, SensorHeightComesFromTheProbeAtConnect) {
    auto options = fastCamera();
    options.lines480 = false;
    useCamera(std::make_shared<vcam::VirtualCamera>(options));
    startConnected();
    std::int32_t width = 0, height = 0, bytes = 0;
    ASSERT_EQ(QLV_GetDispSize(0, &width, &height, &bytes), 0);
    EXPECT_EQ(height, 512);
    EXPECT_EQ(bytes, 655'872);
}

}  // namespace
}  // namespace qlv::test
