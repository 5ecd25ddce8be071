// Frames on the bulk pipe: sizes, tags, freezing, cancellation, unplugging and spoiled frames.
#include <gtest/gtest.h>

#include <dirent.h>
#include <pthread.h>

#include <fstream>
#include <future>
#include <stop_token>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

struct Sized {
    int width;
    int height;
    std::size_t bytes() const { return static_cast<std::size_t>(width * height * 2); }
};

// A camera at 640 x 480 that streams as fast as it is read.
class Stream : public ::testing::Test {
protected:
    VirtualCamera camera{quickCamera()};
    Sized size{640, 480};
    Bytes buffer = Bytes(bytesAskedFor(size.bytes()));

    std::uint32_t tagOf(const Bytes& frame) const {
        const auto top = decodeTopTag(frame, size.width, size.height);
        const auto bottom = decodeBottomTag(frame, size.width, size.height);
        EXPECT_TRUE(top);
        EXPECT_EQ(top, bottom) << "a frame is never torn";
        return top.value_or(0);
    }

    // A camera whose next frame is far off, so a read stays pending.
    void holdFrames() { camera.setFramesPerSecond(0.001); }
};

struct GeometryCase {
    std::uint8_t resolution;
    bool lines480;
    Sized size;
};

void PrintTo(const GeometryCase& c, std::ostream* out) {
    *out << c.size.width << "x" << c.size.height;
}

class FrameGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(FrameGeometry, FramesAreExactlyWholeAndNumberedInOrder) {
    const GeometryCase& c = GetParam();
    Options options = quickCamera();
    options.lines480 = c.lines480;
    VirtualCamera camera(options);
    ASSERT_TRUE(setStatusFields(camera, 6, 0, c.resolution, 0));

    Bytes buffer(bytesAskedFor(c.size.bytes()), 0xAA);
    std::uint32_t previous = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(readFrame(camera, buffer), c.size.bytes());
        const auto top = decodeTopTag(buffer, c.size.width, c.size.height);
        ASSERT_TRUE(top);
        EXPECT_EQ(decodeBottomTag(buffer, c.size.width, c.size.height), top);
        EXPECT_EQ(*top, previous + 1) << "numbered from 1, one per frame sent";
        previous = *top;
    }
    EXPECT_EQ(buffer.back(), 0xAA) << "nothing past the frame is written";
    const StreamStats stats = camera.streamStats();
    EXPECT_EQ(stats.framesDelivered, 3u);
    EXPECT_GE(stats.framesSent, stats.framesDelivered);
#ifndef _WIN32
    // Windows counts thread CPU time in scheduler ticks: three quick frames may show none.
    EXPECT_GT(stats.cameraCpuTime.count(), 0);
#endif
}

INSTANTIATE_TEST_SUITE_P(Geometries, FrameGeometry,
                         ::testing::Values(GeometryCase{0, true, {640, 480}},
                                           GeometryCase{0, false, {640, 512}},
                                           GeometryCase{1, true, {1280, 1024}},
                                           GeometryCase{7, false, {1280, 1024}}));

TEST_F(Stream, PictureShowsColourBarsAndAGreyRamp) {
    // At the built-in manual exposure (auto exposure off) the camera shows the scene as drawn.
    ASSERT_TRUE(requestOut(camera, 0x19, 1, 0x106, {0xB0, 0x1E}));
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    // The host's conversion of one pixel pair at (x, y).
    const auto rgb = [&](int x, int y) {
        const std::size_t at =
            (static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x & ~1)) * 2;
        const double luma = buffer[at + ((x & 1) != 0 ? 2 : 0)];
        const double cb = buffer[at + 1] - 128.0;
        const double cr = buffer[at + 3] - 128.0;
        return std::array<double, 3>{luma + 1.402 * cr, luma - 0.3456 * cb - 0.7145 * cr,
                                     luma + 1.771 * cb};
    };
    const std::array<std::array<double, 3>, 8> bars{{{191, 191, 191},
                                                     {191, 191, 0},
                                                     {0, 191, 191},
                                                     {0, 191, 0},
                                                     {191, 0, 191},
                                                     {191, 0, 0},
                                                     {0, 0, 191},
                                                     {0, 0, 0}}};
    for (int bar = 0; bar < 8; ++bar) {
        const auto colour = rgb(bar * 80 + 40, 100);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_NEAR(colour[static_cast<std::size_t>(channel)],
                        bars[static_cast<std::size_t>(bar)][static_cast<std::size_t>(channel)], 3.0)
                << "bar " << bar << " channel " << channel;
        }
    }
    // Below the bars, a ramp from black on the left to white on the right.
    int rampRow = -1;
    for (int y = 100; y < 480 && rampRow < 0; ++y) {
        if (rgb(2, y)[0] < 8 && rgb(637, y)[0] > 247) {
            rampRow = y;
        }
    }
    ASSERT_GE(rampRow, 0) << "no grey ramp";
    for (int x = 0; x + 64 < 640; x += 64) {
        EXPECT_LT(rgb(x, rampRow)[1], rgb(x + 64, rampRow)[1]);
    }
}

TEST_F(Stream, TheBallMoves) {
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    const std::size_t fieldStart = 400 * 640 * 2;  // below the bars and the ramp
    const Bytes first(buffer.begin() + fieldStart, buffer.begin() + 470 * 640 * 2);
    bool moved = false;
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (!moved && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_EQ(readFrame(camera, buffer), size.bytes());
        moved = !std::equal(first.begin(), first.end(), buffer.begin() + fieldStart);
    }
    EXPECT_TRUE(moved);
}

TEST_F(Stream, AFrozenCameraRepeatsItsPicture) {
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    ASSERT_TRUE(setStatusFields(camera, 4, 0, 0, 1));
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    const Bytes frozen = buffer;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(readFrame(camera, buffer), size.bytes());
        EXPECT_TRUE(buffer == frozen) << "frozen frames are the same bytes, tags included";
    }
    const std::uint32_t frozenTag = tagOf(frozen);

    camera.setFreeze(false);
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    EXPECT_GT(tagOf(buffer), frozenTag + 3) << "the camera kept counting the frames it sent";
}

TEST_F(Stream, ADeadlineCancelsTheReadForGood) {
    holdFrames();
    Bytes cancelled(buffer.size(), 0xAA);
    EXPECT_EQ(readFrame(camera, cancelled, 20ms), 0u);
    EXPECT_EQ(camera.pendingBulkReads(), 0);

    camera.setFramesPerSecond(-1);
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    EXPECT_EQ(cancelled, Bytes(buffer.size(), 0xAA)) << "a cancelled buffer is never written";
}

TEST_F(Stream, AStopRequestEndsAPendingRead) {
    holdFrames();
    Bytes cancelled(buffer.size(), 0xAA);
    std::stop_source stop;
    auto reading = std::async(std::launch::async, [&] {
        return camera.bulkIn(cancelled, std::chrono::steady_clock::now() + 1h, stop.get_token());
    });
    ASSERT_TRUE(eventually([&] { return camera.pendingBulkReads() == 1; }));
    stop.request_stop();
    EXPECT_EQ(reading.get(), 0u);
    EXPECT_EQ(camera.pendingBulkReads(), 0);

    EXPECT_EQ(camera.bulkIn(buffer, std::chrono::steady_clock::now() + 1h, stop.get_token()), 0u)
        << "a read asked for after the stop ends at once";
    camera.setFramesPerSecond(-1);
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    EXPECT_EQ(cancelled, Bytes(buffer.size(), 0xAA));
}

TEST_F(Stream, ReadsPendingTogetherAreServedInTurn) {
    holdFrames();
    Bytes second(buffer.size());
    auto first = std::async(std::launch::async, [&] { return readFrame(camera, buffer); });
    ASSERT_TRUE(eventually([&] { return camera.pendingBulkReads() == 1; }));
    auto other = std::async(std::launch::async, [&] { return readFrame(camera, second); });
    ASSERT_TRUE(eventually([&] { return camera.pendingBulkReads() == 2; }));
    camera.setFramesPerSecond(-1);
    ASSERT_EQ(first.get(), size.bytes());
    ASSERT_EQ(other.get(), size.bytes());
    EXPECT_LT(tagOf(buffer), tagOf(second));
}

TEST_F(Stream, UnpluggingFailsThePendingReadAndLaterOnes) {
    holdFrames();
    auto reading = std::async(std::launch::async, [&] { return readFrame(camera, buffer); });
    ASSERT_TRUE(eventually([&] { return camera.pendingBulkReads() == 1; }));
    camera.unplug();
    EXPECT_FALSE(reading.get().has_value());
    EXPECT_FALSE(readFrame(camera, buffer).has_value());

    camera.plug();
    camera.setFramesPerSecond(-1);
    EXPECT_EQ(readFrame(camera, buffer), size.bytes());
}

TEST_F(Stream, CablePulledInTheMiddleOfATransfer) {
    camera.unplugDuringNextTransfer();
    EXPECT_FALSE(readFrame(camera, buffer).has_value());
    EXPECT_FALSE(camera.plugged());
    EXPECT_EQ(camera.interfaceCount(), 0);
    EXPECT_FALSE(requestIn(camera, 0x12, 0, 0, 5));

    camera.plug();
    EXPECT_EQ(readFrame(camera, buffer), size.bytes());
}

struct FaultCase {
    FrameFault fault;
    long change;  // bytes added to the frame
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << "change " << c.change;
}

class SpoiledFrame : public Stream, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SpoiledFrame, OnlyTheNextFrameIsSpoiled) {
    ASSERT_EQ(readFrame(camera, buffer), size.bytes());
    camera.injectFrameFault(GetParam().fault);
    const auto spoiled =
        static_cast<std::size_t>(static_cast<long>(size.bytes()) + GetParam().change);
    EXPECT_EQ(readFrame(camera, buffer), spoiled);
    EXPECT_EQ(readFrame(camera, buffer), size.bytes());
}

INSTANTIATE_TEST_SUITE_P(Faults, SpoiledFrame,
                         ::testing::Values(FaultCase{FrameFault::Short, -1},
                                           FaultCase{FrameFault::Long, 1},
                                           FaultCase{FrameFault::ZeroLength, -614400}));

TEST_F(Stream, InjectedReadFailuresCountDown) {
    camera.failNextBulkTransfers(2);
    EXPECT_FALSE(readFrame(camera, buffer).has_value());
    EXPECT_FALSE(readFrame(camera, buffer).has_value());
    EXPECT_EQ(readFrame(camera, buffer), size.bytes());
    EXPECT_TRUE(camera.plugged());
}

TEST_F(Stream, AStallHoldsTheNextFrameBack) {
    camera.stallStream(1h);
    EXPECT_EQ(readFrame(camera, buffer, 30ms), 0u);
    // Destroying a stalled camera must not wait for the stall (the test would hang).
}

TEST_F(Stream, AFrameLargerThanTheBufferFillsIt) {
    Bytes small(1000, 0xAA);
    EXPECT_EQ(readFrame(camera, small), 1000u);
    EXPECT_EQ(small.back(), 128) << "filled to its end with the frame's first row";
    EXPECT_EQ(readFrame(camera, buffer), size.bytes()) << "the next read starts a new frame";
}

int threadsNamed(const std::string& wanted) {
    int count = 0;
    DIR* tasks = ::opendir("/proc/self/task");
    while (const dirent* entry = ::readdir(tasks)) {
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        count += (comm >> name && name == wanted) ? 1 : 0;
    }
    ::closedir(tasks);
    return count;
}

// The camera's thread starts on the host's first read; hosts count their threads by name.
TEST_F(Stream, TheCameraThreadDoesNotPassForTheHostsReader) {
    std::async(std::launch::async, [&] {
        ::pthread_setname_np(::pthread_self(), "host-reader");
        EXPECT_EQ(readFrame(camera, buffer), size.bytes());
    }).get();
    EXPECT_EQ(threadsNamed("host-reader"), 0);
    EXPECT_EQ(threadsNamed("vcam-stream"), 1);
}

TEST(StreamPace, ARealisticCameraKeepsItsOwnClock) {
    Options options = quickCamera();
    options.framesPerSecond = 0;
    VirtualCamera camera(options);
    Bytes buffer(bytesAskedFor(640 * 480 * 2));
    ASSERT_EQ(readFrame(camera, buffer), 640u * 480 * 2);
    ASSERT_EQ(readFrame(camera, buffer), 640u * 480 * 2);
    const StreamStats stats = camera.streamStats();
    EXPECT_EQ(stats.framesDelivered, 2u);
    EXPECT_GE(stats.framesSent, 2u);
}

}  // namespace
}  // namespace vcam::test
