// A host read cancelled by its stop request while the camera streams, over and over. A lost
// wake-up in the runtime's waiting primitives (as libstdc++'s fallback semaphore has under Wine)
// leaves a read or the stop callback waiting for ever; the test's timeout then fails it.
#include <gtest/gtest.h>

#include <thread>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using namespace std::chrono_literals;

TEST(StopStress, EveryStoppedReadReturnsAndTheCameraEndsCleanly) {
    constexpr int rounds = 1000;
    int framesRead = 0;
    {
        VirtualCamera camera(quickCamera());
        ASSERT_TRUE(camera.open());
        std::vector<std::uint8_t> buffer(640 * 480 * 2);
        for (int round = 0; round < rounds; ++round) {
            std::stop_source stop;
            std::jthread stopper([&stop] { stop.request_stop(); });
            const auto result =
                camera.bulkIn(buffer, std::chrono::steady_clock::now() + 30s, stop.get_token());
            ASSERT_TRUE(result.has_value()) << "round " << round;
            framesRead += *result > 0 ? 1 : 0;
        }
        camera.close();
    }
    // Both outcomes are fine each round (the frame can win the race); the rounds must all end.
    SUCCEED() << framesRead << " of " << rounds << " reads got a frame before their stop";
}

}  // namespace
}  // namespace vcam::test
