// Streaming through the exports: the ring, the count, the semaphore, faults on the pipe, and the
// consumer's view of it all.

#include <array>
#include <thread>
#include <vector>

#include "frame_geometry.h"
#include "frame_wait.h"
#include "library.h"
#include "library_fixture.h"

namespace qlv::test {
namespace {

using namespace std::chrono_literals;

struct Tags {
    std::optional<std::uint32_t> top, bottom;
};

Tags tagsOf(const std::uint8_t* frame, int width, int height) {
    const std::span<const std::uint8_t> bytes(frame, static_cast<std::size_t>(width) * height * 2);
    return {vcam::decodeTopTag(bytes, width, height), vcam::decodeBottomTag(bytes, width, height)};
}

// Frame buffers owned by the test, as a caller of buffer mode 1 owns them.
class Streaming : public LibraryTest {
protected:
    static constexpr int bufferCount = 5;

    void SetUp() override {
        LibraryTest::SetUp();
        startConnected();
    }

    void registerBuffers(std::size_t size = 2'621'952) {
        for (auto& buffer : storage) {
            buffer.assign(size, 0);
        }
        for (int i = 0; i < bufferCount; ++i) {
            pointers[static_cast<std::size_t>(i)] = storage[static_cast<std::size_t>(i)].data();
        }
        ASSERT_EQ(QLV_DispMode(1), 0);
        ASSERT_EQ(QLV_RegisterBuffer(bufferCount, pointers.data()), 0);
    }

    const std::uint8_t* newestFrame(std::int32_t completed) {
        return storage[static_cast<std::size_t>((completed - 1) % bufferCount)].data();
    }

    std::array<std::vector<std::uint8_t>, bufferCount> storage;
    std::array<void*, bufferCount> pointers{};
};

TEST(FrameGeometry, ReadsAskForTheFrameRoundedUpPastTheNext512) {
    EXPECT_EQ(geometryFor(0, true).frameBytes(), 614'400u);
    EXPECT_EQ(geometryFor(0, true).readLength(), 614'912u);
    EXPECT_EQ(geometryFor(0, false).frameBytes(), 655'360u);
    EXPECT_EQ(geometryFor(0, false).readLength(), 655'872u);
    EXPECT_EQ(geometryFor(1, true).readLength(), 2'621'952u);
    EXPECT_EQ(geometryFor(1, false).bufferSize(), 2'621'952u);
    EXPECT_EQ((FrameGeometry{2, 1}.readLength()), 512u);
    EXPECT_EQ((FrameGeometry{256, 1}.readLength()), 1024u)
        << "a frame of exactly 512 asks for 512 more";
}

TEST_F(Streaming, ArgumentChecks) {
    camera->clearRequests();
    EXPECT_EQ(QLV_RecordStart(2), 1);
    EXPECT_TRUE(camera->requests().empty()) << "a refused start changes nothing";
    EXPECT_FALSE(streaming());

    std::vector<std::uint8_t> small(16);
    std::vector<void*> many(129, small.data());
    EXPECT_EQ(QLV_RegisterBuffer(129, many.data()), 1);
    EXPECT_EQ(QLV_RegisterBuffer(128, many.data()), 0);
    EXPECT_EQ(QLV_RegisterBuffer(3, nullptr), 1);
    std::array<void*, 2> withHole{small.data(), nullptr};
    EXPECT_EQ(QLV_RegisterBuffer(2, withHole.data()), 1);
    EXPECT_EQ(QLV_RegisterBuffer(0, nullptr), 0);
    EXPECT_EQ(QLV_DispMode(2), 1);

    std::int32_t width = 0, height = 0, bytes = 0;
    EXPECT_EQ(QLV_GetDispSize(2, &width, &height, &bytes), 1);
    EXPECT_EQ(QLV_GetDispSize(1, &width, nullptr, &bytes), 1);
    ASSERT_EQ(QLV_GetDispSize(1, &width, &height, &bytes), 0);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
    EXPECT_EQ(bytes, 2'621'952);
    ASSERT_EQ(QLV_GetDispSize(0, &width, &height, &bytes), 0);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(bytes, 614'912);

    QLV_HANDLE handle = nullptr;
    EXPECT_EQ(QLV_GetDataSemaphoHandle(nullptr), 1);
    EXPECT_EQ(QLV_GetDataSemaphoHandle(&handle), 0);
    EXPECT_NE(handle, nullptr);
}

TEST_F(Streaming, StartAsksTheCameraForTheResolutionAndUnfreezes) {
    registerBuffers();
    camera->setFreeze(true);
    camera->clearRequests();
    ASSERT_EQ(QLV_RecordStart(1), 0);
    const auto requests = camera->requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().setup.request, 0x13);
    EXPECT_EQ(requests.front().setup.index, 6);
    EXPECT_EQ(requests.front().data, (std::vector<std::uint8_t>{0, 1, 0}));
    EXPECT_EQ(camera->status()[1], 1);
    EXPECT_EQ(camera->status()[2], 0);

    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 2; }));
    const auto k = QLV_GetBufferIndex();
    const auto tags = tagsOf(newestFrame(k), 1280, 1024);
    ASSERT_TRUE(tags.top.has_value());
    EXPECT_EQ(tags.top, tags.bottom);
}

TEST_F(Streaming, DisplayModeIsFixedWhileStreaming) {
    registerBuffers();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    EXPECT_EQ(QLV_DispMode(1), 1);
    EXPECT_EQ(QLV_DispMode(0), 1);
    ASSERT_EQ(QLV_RecordStop(), 0);
    EXPECT_EQ(QLV_DispMode(0), 0);
}

TEST_F(Streaming, RegisteredModeWithoutBuffersStartsNoReader) {
    ASSERT_EQ(QLV_DispMode(1), 0);
    EXPECT_EQ(QLV_RecordStart(0), 0);
    EXPECT_EQ(recordingState() & 2, 0);
    EXPECT_EQ(camera->pendingBulkReads(), 0);
}

TEST_F(Streaming, SixteenthFrameWrapsTheInternalRing) {
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 20; }));
    ASSERT_TRUE(pauseUntilDeliveredFramesCounted(*camera));
    ASSERT_EQ(QLV_RecordStop(), 0);
    const std::int32_t k = QLV_GetBufferIndex();
    const auto lib = library();
    // Walking back from the newest frame, each older slot holds an older frame.
    std::uint32_t newer = UINT32_MAX;
    for (std::int32_t j = k; j > k - 16; --j) {
        const auto tags = tagsOf(lib->streaming.internalSlot((j - 1) % 16), 640, 480);
        ASSERT_TRUE(tags.top.has_value()) << "completed frame " << j;
        EXPECT_EQ(tags.top, tags.bottom);
        EXPECT_LT(*tags.top, newer) << "completed frame " << j;
        newer = *tags.top;
    }
}

TEST_F(Streaming, FramesOfTheWrongLengthAreDroppedAndTheirSlotReused) {
    registerBuffers();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    for (const auto fault :
         {vcam::FrameFault::Short, vcam::FrameFault::Long, vcam::FrameFault::ZeroLength}) {
        const auto before = QLV_GetBufferIndex();
        camera->injectFrameFault(fault);
        ASSERT_TRUE(eventually([&] { return QLV_GetBufferIndex() >= before + 6; }));
    }
    EXPECT_TRUE(pauseUntilDeliveredFramesCounted(*camera, 3))
        << "each spoiled transfer is left uncounted, every whole frame counted";
    ASSERT_EQ(QLV_RecordStop(), 0);
    for (const auto& buffer : storage) {
        const auto tags = tagsOf(buffer.data(), 640, 480);
        EXPECT_EQ(tags.top, tags.bottom) << "no slot is left holding a spoiled frame";
    }
}

TEST_F(Streaming, StopKeepsTheCountAndTheNextStartResetsIt) {
    registerBuffers();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 3; }));
    ASSERT_EQ(QLV_RecordStop(), 0);
    const auto kept = QLV_GetBufferIndex();
    EXPECT_GE(kept, 3);
    EXPECT_FALSE(streaming());
    EXPECT_EQ(QLV_GetBufferIndex(), kept);

    camera->stallStream(30s);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    EXPECT_EQ(QLV_GetBufferIndex(), 0);
}

TEST_F(Streaming, ConsumerNeverWakesForAFrameOfAnEarlierStream) {
    registerBuffers();
    QLV_HANDLE handle = nullptr;
    ASSERT_EQ(QLV_GetDataSemaphoHandle(&handle), 0);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    // Nobody consumes: the counts pile up.
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 10; }));

    camera->stallStream(30s);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    EXPECT_FALSE(qlv::waitForFrame(handle, 0ms)) << "the new stream starts with no pending wake";
    EXPECT_EQ(QLV_GetBufferIndex(), 0);
}

// Takes every count the semaphore holds and says how many there were.
int takePendingCounts(QLV_HANDLE handle) {
    int counts = 0;
    while (qlv::waitForFrame(handle, 0ms)) {
        ++counts;
    }
    return counts;
}

// A caller-fed consumer blocked after its stream ended by itself must learn of the stop: every
// stop wakes it once, and a running reader's end once more.
TEST_F(Streaming, EveryStopWakesACallerFedConsumer) {
    registerBuffers();
    QLV_HANDLE handle = nullptr;
    ASSERT_EQ(QLV_GetDataSemaphoHandle(&handle), 0);
    takePendingCounts(handle);
    ASSERT_EQ(QLV_RecordStop(), 0);
    EXPECT_EQ(takePendingCounts(handle), 1) << "stop while idle";

    camera->stallStream(60s);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([&] { return camera->pendingBulkReads() >= 1; }));
    takePendingCounts(handle);
    ASSERT_EQ(QLV_RecordStop(), 0);
    EXPECT_EQ(takePendingCounts(handle), 2) << "stop while streaming";
}

TEST_F(Streaming, ConsumerAtFullRateNeverSeesATornFrame) {
    camera->setFramesPerSecond(500);
    registerBuffers();
    QLV_HANDLE handle = nullptr;
    ASSERT_EQ(QLV_GetDataSemaphoHandle(&handle), 0);
    ASSERT_EQ(QLV_RecordStart(0), 0);

    int seen = 0, torn = 0, backwards = 0;
    std::uint32_t last = 0;
    std::int32_t lastCount = 0;
    std::thread consumer([&] {
        while (seen < 2000) {
            if (!qlv::waitForFrame(handle, 2s)) {
                break;
            }
            const std::int32_t k = QLV_GetBufferIndex();
            if (k < 1 || k == lastCount) {
                continue;
            }
            lastCount = k;
            const auto tags = tagsOf(newestFrame(k), 640, 480);
            ++seen;
            if (!tags.top || tags.top != tags.bottom) {
                ++torn;
            } else {
                backwards += *tags.top <= last ? 1 : 0;
                last = *tags.top;
            }
        }
    });
    consumer.join();
    QLV_RecordStop();
    EXPECT_EQ(seen, 2000);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(backwards, 0);
}

TEST_F(Streaming, StopEndsAReadInFlight) {
    registerBuffers();
    camera->stallStream(60s);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([&] { return camera->pendingBulkReads() >= 1; }));
    ASSERT_EQ(QLV_RecordStop(), 0);
    EXPECT_EQ(camera->pendingBulkReads(), 0);
    EXPECT_FALSE(streaming());
}

TEST_F(Streaming, UnplugEndsTheStreamAndReplugStreamsAgain) {
    registerBuffers();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    ASSERT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 2; }));
    camera->unplugDuringNextTransfer();
    ASSERT_TRUE(eventually([] { return !cameraPresent(); }));
    ASSERT_TRUE(eventually([] { return (recordingState() & 2) == 0; }));

    std::int32_t state = -1;
    EXPECT_EQ(QLV_CheckRecording(&state), 1) << "the status cannot be read";
    EXPECT_EQ(state, 1) << "live, not streaming, absent";

    camera->plug();
    ASSERT_TRUE(eventually(cameraPresent));
    ASSERT_EQ(QLV_RecordStart(0), 0);
    EXPECT_TRUE(eventually([] { return QLV_GetBufferIndex() >= 3; }));
    EXPECT_EQ(recordingState(), 7);
}

TEST_F(Streaming, FreezeShowsInTheStateAndTheRecordingFrame) {
    registerBuffers();
    ASSERT_EQ(QLV_RecordStart(0), 0);
    std::int32_t out = -1;
    EXPECT_EQ(QLV_GetRecordingFrame(&out), 1) << "live";
    camera->setFreeze(true);
    EXPECT_EQ(recordingState(), 6);
    EXPECT_EQ(QLV_GetRecordingFrame(&out), 0);
    EXPECT_EQ(out, 0);
    EXPECT_EQ(QLV_GetRecordingFrame(nullptr), 1);
    ASSERT_EQ(QLV_RecordStart(0), 0);
    EXPECT_EQ(QLV_GetRecordingFrame(&out), 1) << "a new stream unfreezes";
}

}  // namespace
}  // namespace qlv::test
