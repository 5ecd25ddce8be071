// A started library in front of a fresh virtual camera, one per test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "library_waits.h"

#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

namespace qlv::test {

class LibraryTest : public ::testing::Test {
protected:
    static vcam::Options fastCamera() { return fastCameraOptions(); }

    void SetUp() override { useCamera(std::make_shared<vcam::VirtualCamera>(fastCamera())); }

    void TearDown() override {
        QLV_Term();
        setTransportFactoryForTesting({});
    }

    void useCamera(std::shared_ptr<vcam::VirtualCamera> replacement) {
        camera = std::move(replacement);
        setTransportFactoryForTesting(
            [cam = camera] { return std::make_unique<VirtualTransport>(cam); });
    }

    // Starts the library and waits until the monitor has connected the camera.
    void startConnected() {
        ASSERT_EQ(QLV_Init(), 0);
        ASSERT_TRUE(eventually(cameraPresent)) << "the camera was never connected";
    }

    std::shared_ptr<vcam::VirtualCamera> camera;
};

}  // namespace qlv::test
