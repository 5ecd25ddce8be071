// The library on the real USB path where it differs from the in-process transport: how the camera
// is found, the 5000 ms limit on a stalled stream, a cable pulled during a transfer, the bus lock
// as the device sees it, and every frame of a stream arriving whole and in order.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "emulated_library_fixture.h"

namespace qlv::test {
namespace {

using namespace std::chrono_literals;

class UsbLibrary : public LibraryTest {
protected:
    static constexpr int bufferCount = 5;

    void TearDown() override {
        LibraryTest::TearDown();
        unsetenv("QLV_USB_IDS");
    }

    void registerBuffers(std::size_t size) {
        for (auto& buffer : storage) {
            buffer.assign(size, 0);
        }
        for (std::size_t i = 0; i < storage.size(); ++i) {
            pointers[i] = storage[i].data();
        }
        ASSERT_EQ(QLV_DispMode(1), 0);
        ASSERT_EQ(QLV_RegisterBuffer(bufferCount, pointers.data()), 0);
    }

    std::array<std::vector<std::uint8_t>, bufferCount> storage;
    std::array<void*, bufferCount> pointers{};
};

// ---- finding the camera ---------------------------------------------------------------------

struct Recognition {
    const char* name;
    usbemu::Variant variant;
    const char* listedIds;  // QLV_USB_IDS, or null

    friend void PrintTo(const Recognition& recognition, std::ostream* out) {
        *out << recognition.name;
    }
};

class FoundBy : public UsbLibrary, public ::testing::WithParamInterface<Recognition> {};

TEST_P(FoundBy, TheMonitorConnectsTheCamera) {
    if (GetParam().listedIds != nullptr) {
        setenv("QLV_USB_IDS", GetParam().listedIds, 1);
    }
    useCamera(std::make_shared<vcam::VirtualCamera>(fastCamera()), GetParam().variant);
    startConnected();
    std::uint8_t status[5]{};
    EXPECT_EQ(QLV_GetDevStatus(status), 0);
    EXPECT_EQ(status[0], 1);
}

INSTANTIATE_TEST_SUITE_P(
    UsbLibrary, FoundBy,
    ::testing::Values(Recognition{"MsOs10Descriptors", usbemu::Variant::MsOs10, nullptr},
                      Recognition{"MsOs20Descriptors", usbemu::Variant::MsOs20, nullptr},
                      Recognition{"ListedIds", usbemu::Variant::Plain, "abcd:0001,1209:0001"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the bus --------------------------------------------------------------------------------

TEST_F(UsbLibrary, ConcurrentCallersReachTheDeviceOneAtATime) {
    startConnected();
    std::vector<std::thread> callers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([t, &failures] {
            for (int i = 0; i < 100; ++i) {
                std::uint8_t bytes[8]{};
                const bool ok = (t % 2 == 0) ? QLV_GetDevStatus(bytes) == 0
                                             : QLV_EEPROMRead(0x100 * t, 8, bytes) == 0;
                failures += ok ? 0 : 1;
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(device->stats().mostControlUrbsInFlight, 1)
        << "a second control transfer was submitted while one was on the bus";
}

// ---- streaming ------------------------------------------------------------------------------

TEST_F(UsbLibrary, AStalledStreamGivesUpTheReadAtTheLimitAndGoesOn) {
    startConnected();
    registerBuffers(614'912);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 2; }));

    // Longer than the 5000 ms limit: the read in flight is cancelled as an empty frame.
    camera->stallStream(6500ms);
    ASSERT_TRUE(eventually([&] { return device->stats().discardedUrbs >= 1; }, 20s))
        << "the read was never given up";
    EXPECT_TRUE(streaming()) << "an empty frame does not end the stream";
    const auto afterStall = QLV_GetBufferIndex();
    EXPECT_TRUE(eventually([&] { return QLV_GetBufferIndex() >= afterStall + 3; }, 20s))
        << "frames come again once the camera does";
    EXPECT_EQ(QLV_RecordStop(), 0);
}

TEST_F(UsbLibrary, APulledCableEndsTheStreamAndThePresenceAndAReplugStreamsAgain) {
    // Slow enough that the read waits for its frame when the cable comes out.
    auto options = fastCamera();
    options.framesPerSecond = 0.5;
    useCamera(std::make_shared<vcam::VirtualCamera>(options));
    startConnected();
    registerBuffers(614'912);
    const auto firstAddress = device->address();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([&] { return camera->pendingBulkReads() >= 1; }));

    device->unplug();
    EXPECT_TRUE(eventually([] { return !streaming(); })) << "the failed read ended the stream";
    EXPECT_TRUE(eventually([] { return !cameraPresent(); }));
    std::uint8_t status[5]{};
    EXPECT_EQ(QLV_GetDevStatus(status), 1);

    camera->setFramesPerSecond(100);
    device->plug();
    ASSERT_TRUE(eventually(cameraPresent));
    EXPECT_NE(device->address(), firstAddress) << "a replugged device has a new number";
    ASSERT_EQ(QLV_RecordStart(0), 0);
    EXPECT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 3; }));
    EXPECT_EQ(recordingState(), 7);
}

struct Resolution {
    std::uint32_t value;
    int width;
    int height;

    friend void PrintTo(const Resolution& resolution, std::ostream* out) {
        *out << resolution.width << " x " << resolution.height;
    }
};

class EveryFrame : public UsbLibrary, public ::testing::WithParamInterface<Resolution> {};

// A ring longer than the stream: every frame stays in its slot and is looked at after the reader
// has ended, so that nothing races with the reads.
TEST_P(EveryFrame, ArrivesWholeAndInOrder) {
    constexpr int ringSize = 32;
    auto options = fastCamera();
    options.framesPerSecond = 60;
    useCamera(std::make_shared<vcam::VirtualCamera>(options));
    startConnected();
    const auto [resolution, width, height] = GetParam();
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 2;
    std::vector<std::vector<std::uint8_t>> ring(ringSize,
                                                std::vector<std::uint8_t>(frameBytes + 512));
    std::vector<void*> slots;
    for (auto& slot : ring) {
        slots.push_back(slot.data());
    }
    ASSERT_EQ(QLV_DispMode(1), 0);
    ASSERT_EQ(QLV_RegisterBuffer(ringSize, slots.data()), 0);
    ASSERT_EQ(QLV_RecordStart(resolution), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 20; }));
    EXPECT_TRUE(pauseUntilDeliveredFramesCounted(*camera))
        << "every frame the camera delivered reached the ring";
    ASSERT_EQ(QLV_RecordStop(), 0);

    const std::int32_t k = QLV_GetBufferIndex();
    std::optional<std::uint32_t> previous;
    for (std::int32_t j = std::max(1, k - ringSize + 1); j <= k; ++j) {
        const std::span<const std::uint8_t> frame(
            ring[static_cast<std::size_t>((j - 1) % ringSize)].data(), frameBytes);
        const auto top = vcam::decodeTopTag(frame, width, height);
        ASSERT_TRUE(top.has_value()) << "frame " << j;
        EXPECT_EQ(top, vcam::decodeBottomTag(frame, width, height)) << "frame " << j << " is torn";
        if (previous) {
            EXPECT_GT(*top, *previous) << "frame " << j << " is older than the one before";
        }
        previous = top;
    }
}

INSTANTIATE_TEST_SUITE_P(UsbLibrary, EveryFrame,
                         ::testing::Values(Resolution{0, 640, 480}, Resolution{1, 1280, 1024}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace qlv::test
