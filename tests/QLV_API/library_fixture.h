// A started library in front of a fresh virtual camera, one per test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <QLV_API.h>
#include <virtual_camera/virtual_camera.h>

#include "transport/transport_factory.h"
#include "transport/virtual_transport.h"

namespace qlv::test {

// Waits for a state the library reaches on its own threads; false when it does not come.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline bool cameraPresent() {
    std::int32_t port = 0;
    return QLV_InputPort(&port) == 0 && port == 8;
}

inline std::int32_t lastError() {
    std::int32_t error = -1;
    QLV_GetError(&error);
    return error;
}

class LibraryTest : public ::testing::Test {
protected:
    // Quick enough for tests: short bus time, brisk frames.
    static vcam::Options fastCamera() {
        vcam::Options options;
        options.controlLatency = std::chrono::microseconds(20);
        options.eepromBusyTime = std::chrono::milliseconds(1);
        options.framesPerSecond = 200;
        return options;
    }

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
