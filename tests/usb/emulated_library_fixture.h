// The library's tests run a second time: the fixture they know (LibraryTest) with the camera
// behind the real USB path, LibusbTransport over libusb over the emulated usbfs, instead of the
// in-process transport. The camera is found by its MS OS descriptors, as a real one would be.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "library_waits.h"

#include "emulated_bus.h"
#include "transport/transport_factory.h"

namespace qlv::test {

class LibraryTest : public ::testing::Test {
protected:
    static vcam::Options fastCamera() { return fastCameraOptions(); }

    void SetUp() override {
        setTransportFactoryForTesting({});  // the real bus
        useCamera(std::make_shared<vcam::VirtualCamera>(fastCamera()));
    }

    void TearDown() override {
        QLV_Term();
        if (device != nullptr) {
            usbtest::bus().remove(*device);
        }
    }

    void useCamera(std::shared_ptr<vcam::VirtualCamera> replacement,
                   usbemu::Variant variant = usbemu::Variant::MsOs10) {
        if (device != nullptr) {
            usbtest::bus().remove(*device);
        }
        camera = std::move(replacement);
        device = &usbtest::bus().add(camera, variant);
    }

    void startConnected() {
        ASSERT_EQ(QLV_Init(), 0);
        ASSERT_TRUE(eventually(cameraPresent)) << "the camera was never connected";
    }

    std::shared_ptr<vcam::VirtualCamera> camera;
    usbemu::EmulatedDevice* device = nullptr;
};

}  // namespace qlv::test
