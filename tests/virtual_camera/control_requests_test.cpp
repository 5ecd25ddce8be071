// The firmware's answers to vendor requests on endpoint 0, and how the bus side treats them.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ControlRequests : public ::testing::Test {
protected:
    VirtualCamera camera{quickCamera()};
};

TEST_F(ControlRequests, IdentificationNamesTheCamera) {
    const auto block = requestIn(camera, 0x10, 0, 0, 24);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->size(), 24u);
    EXPECT_EQ((*block)[0], 1);
    EXPECT_EQ(Bytes(block->begin() + 16, block->begin() + 20), (Bytes{'Q', 'L', 'V', 0}));
}

TEST_F(ControlRequests, IdentificationFaultsChangeOnlyTheirField) {
    camera.setIdentificationFirstByte(2);
    camera.setIdentificationText("QLVX");
    auto block = requestIn(camera, 0x10, 0, 0, 24);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[0], 2);
    EXPECT_EQ(Bytes(block->begin() + 16, block->begin() + 20), (Bytes{'Q', 'L', 'V', 'X'}));

    camera.setIdentificationText("AB");  // shorter texts end in NUL bytes
    block = requestIn(camera, 0x10, 0, 0, 24);
    EXPECT_EQ(Bytes(block->begin() + 16, block->begin() + 20), (Bytes{'A', 'B', 0, 0}));
}

TEST_F(ControlRequests, StatusStartsFromTheOptionsAndAnswersShortRequestsShort) {
    Options options = quickCamera();
    options.mode = 3;
    options.resolution = 1;
    VirtualCamera large(options);
    EXPECT_EQ(requestIn(large, 0x12, 0, 0, 5), (Bytes{3, 1, 0, 0, 0}));
    EXPECT_EQ(requestIn(large, 0x12, 0, 0, 2), (Bytes{3, 1}));
    EXPECT_EQ(requestIn(large, 0x12, 0, 0, 64), (Bytes{3, 1, 0, 0, 0}));
    EXPECT_EQ(large.status(), (std::array<std::uint8_t, 5>{3, 1, 0, 0, 0}));
}

struct MaskCase {
    std::uint16_t mask;
    Bytes sent;
    Bytes statusAfter;  // first three status bytes, starting from mode 2, resolution 0, live
};

void PrintTo(const MaskCase& c, std::ostream* out) {
    *out << "mask " << c.mask;
}

class StatusFieldMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(StatusFieldMask, TakesOnlyTheSelectedFields) {
    Options options = quickCamera();
    options.mode = 2;
    VirtualCamera camera(options);
    const MaskCase& c = GetParam();
    ASSERT_TRUE(requestOut(camera, 0x13, 0, c.mask, c.sent));
    const auto status = camera.status();
    EXPECT_EQ(Bytes(status.begin(), status.begin() + 3), c.statusAfter);
}

// The host sends zeros in the fields it does not select; a zero mode must not be taken.
INSTANTIATE_TEST_SUITE_P(
    Masks, StatusFieldMask,
    ::testing::Values(MaskCase{1, {3, 1, 1}, {3, 0, 0}}, MaskCase{2, {0, 1, 0}, {2, 1, 0}},
                      MaskCase{4, {0, 0, 1}, {2, 0, 1}}, MaskCase{6, {0, 1, 0}, {2, 1, 0}},
                      MaskCase{7, {1, 1, 1}, {1, 1, 1}}, MaskCase{0, {3, 1, 1}, {2, 0, 0}}));

TEST_F(ControlRequests, AnUnknownModeIsRefusedWhole) {
    EXPECT_FALSE(setStatusFields(camera, 7, 4, 1, 1));
    EXPECT_FALSE(setStatusFields(camera, 1, 0, 0, 0));
    EXPECT_EQ(camera.status(), (std::array<std::uint8_t, 5>{1, 0, 0, 0, 0}));
}

TEST_F(ControlRequests, SensorProbeTellsTheLineCount) {
    auto probe = requestIn(camera, 0x14, 0, 0x58, 4);
    ASSERT_TRUE(probe);
    ASSERT_EQ(probe->size(), 4u);
    EXPECT_GT((*probe)[0], 15);

    camera.setLines480(false);
    probe = requestIn(camera, 0x14, 0, 0x58, 4);
    ASSERT_TRUE(probe);
    EXPECT_LE((*probe)[0], 15);

    camera.setI2CReadFails(true);
    EXPECT_FALSE(requestIn(camera, 0x14, 0, 0x58, 4));
    EXPECT_FALSE(requestIn(camera, 0x14, 0, 0x20, 1));
}

TEST_F(ControlRequests, OtherI2cDevicesKeepWhatWasWritten) {
    ASSERT_TRUE(requestOut(camera, 0x15, 0, 0x21, {9, 8, 7}));
    EXPECT_EQ(requestIn(camera, 0x14, 0, 0x21, 3), (Bytes{9, 8, 7}));
    EXPECT_EQ(requestIn(camera, 0x14, 0, 0x22, 2), (Bytes{0, 0}));
    EXPECT_FALSE(requestIn(camera, 0x14, 0, 0x80, 1)) << "I2C addresses have 7 bits";
}

TEST_F(ControlRequests, SensorRegistersStartFromTheModeOneBlock) {
    EXPECT_EQ(camera.sensorRegister(0x106), 0xF81E);
    EXPECT_EQ(camera.sensorRegister(0x009), 0x0325);
    EXPECT_EQ(camera.sensorRegister(0x25B), 0x8002);
    EXPECT_EQ(camera.device2Register(2), 0x200000u);
    EXPECT_EQ(camera.device2Register(11), 0x000040u);
    // Gamma knees, one transfer over six consecutive registers, most significant byte first.
    EXPECT_EQ(requestIn(camera, 0x18, 1, 0x153, 12),
              (Bytes{0x1E, 0x14, 0x46, 0x2E, 0x87, 0x6A, 0xB7, 0xA0, 0xE0, 0xCC, 0, 0}));
}

TEST_F(ControlRequests, SensorWriteCoversConsecutiveRegisters) {
    ASSERT_TRUE(requestOut(camera, 0x19, 1, 0x13B, {0x04, 0x2A, 0x04, 0x00}));
    EXPECT_EQ(camera.sensorRegister(0x13B), 0x042A);
    EXPECT_EQ(camera.sensorRegister(0x13C), 0x0400);
    EXPECT_EQ(requestIn(camera, 0x18, 1, 0x13B, 4), (Bytes{0x04, 0x2A, 0x04, 0x00}));
    EXPECT_EQ(camera.sensorRegister(0x13D), 0) << "the write stops after its last register";

    EXPECT_FALSE(requestOut(camera, 0x19, 1, 0x105, {0x00, 0x07, 0x01}));  // half a register
    EXPECT_EQ(camera.sensorRegister(0x105), 0x0003);
    EXPECT_FALSE(requestOut(camera, 0x19, 1, 0xFFFF, {1, 2, 3, 4})) << "past the last register";
    EXPECT_EQ(camera.sensorRegister(0xFFFF), 0);
}

TEST_F(ControlRequests, DeviceTwoTakesAndAnswersFourByteRecords) {
    // Hue 90 degrees: two records in one write, as the host sends them.
    ASSERT_TRUE(requestOut(camera, 0x19, 2, 2, {0x02, 0x00, 0x06, 0x00, 0x03, 0x20, 0x00, 0x00}));
    EXPECT_EQ(camera.device2Register(2), 0x000600u);
    EXPECT_EQ(camera.device2Register(3), 0x200000u);
    EXPECT_EQ(requestIn(camera, 0x18, 2, 2, 8),
              (Bytes{0x02, 0x00, 0x06, 0x00, 0x03, 0x20, 0x00, 0x00}));

    ASSERT_TRUE(requestOut(camera, 0x19, 2, 8, {0x08, 0x00, 0x00, 0x85}));
    EXPECT_EQ(camera.device2Register(8), 0x85u);

    EXPECT_FALSE(requestOut(camera, 0x19, 2, 9, {0x08, 0, 0, 1}))
        << "record names another register";
    EXPECT_FALSE(requestOut(camera, 0x19, 2, 9, {0x09, 0, 0})) << "a partial record";
    EXPECT_EQ(camera.device2Register(9), 0u);
    EXPECT_FALSE(requestIn(camera, 0x18, 3, 0, 2)) << "there is no device 3";
}

TEST_F(ControlRequests, MalformedRequestsStall) {
    EXPECT_FALSE(requestIn(camera, 0x11, 0, 0, 4)) << "unknown request";
    std::vector<std::uint8_t> data(5);
    EXPECT_FALSE(camera.control({0x40, 0x12, 0, 0, 5}, data)) << "status is an IN request";
    EXPECT_FALSE(camera.control({0xC0, 0x13, 0, 1, 3}, data)) << "0x13 is an OUT request";
    EXPECT_FALSE(camera.control({0xC0, 0x12, 0, 0, 8}, data)) << "buffer shorter than wLength";
    EXPECT_FALSE(requestOut(camera, 0x13, 0, 1, {2, 0})) << "status fields need three bytes";
    EXPECT_EQ(camera.status()[0], 1);
}

TEST_F(ControlRequests, JournalRecordsWhatCrossedTheBus) {
    ASSERT_TRUE(setStatusFields(camera, 4, 0, 0, 1));
    ASSERT_TRUE(requestIn(camera, 0x12, 0, 0, 5));
    ASSERT_FALSE(requestIn(camera, 0x11, 0, 0, 2));

    const auto journal = camera.requests();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0].setup.request, 0x13);
    EXPECT_EQ(journal[0].setup.index, 4);
    EXPECT_EQ(journal[0].data, (Bytes{0, 0, 1}));
    EXPECT_TRUE(journal[0].succeeded);
    EXPECT_EQ(journal[1].data, (Bytes{1, 0, 1, 0, 0})) << "IN data as answered";
    EXPECT_FALSE(journal[2].succeeded);
    EXPECT_TRUE(journal[2].data.empty());

    camera.clearRequests();
    EXPECT_TRUE(camera.requests().empty());
}

TEST_F(ControlRequests, InjectedFailuresCountDown) {
    camera.failNextControlTransfers(2);
    EXPECT_FALSE(requestIn(camera, 0x12, 0, 0, 5));
    EXPECT_FALSE(setStatusFields(camera, 1, 3, 0, 0));
    EXPECT_EQ(camera.status()[0], 1) << "a failed transfer changes nothing";
    EXPECT_TRUE(requestIn(camera, 0x12, 0, 0, 5));
}

TEST_F(ControlRequests, UnpluggedCameraAnswersNothingAndComesBackFresh) {
    ASSERT_TRUE(setStatusFields(camera, 7, 2, 1, 1));
    ASSERT_TRUE(requestOut(camera, 0x19, 1, 0x009, {0x01, 0x00}));
    ASSERT_TRUE(requestOut(camera, 0x17, 0, 0x3000, {0x5A}));

    camera.unplug();
    EXPECT_FALSE(camera.plugged());
    EXPECT_EQ(camera.interfaceCount(), 0);
    EXPECT_FALSE(camera.open());
    EXPECT_FALSE(requestIn(camera, 0x12, 0, 0, 5));

    camera.plug();
    EXPECT_EQ(camera.interfaceCount(), 1);
    EXPECT_TRUE(camera.open());
    EXPECT_EQ(requestIn(camera, 0x12, 0, 0, 5), (Bytes{2, 0, 0, 0, 0}))
        << "mode kept, resolution and freeze reset";
    EXPECT_EQ(camera.sensorRegister(0x009), 0x0200) << "sensor defaults of mode 2 reloaded";
    EXPECT_EQ(requestIn(camera, 0x16, 0, 0x3000, 1), (Bytes{0x5A})) << "EEPROM kept";
}

// Runs `transfers` status requests on each of two threads, through `gate` when given.
void hammer(VirtualCamera& camera, int transfers, std::mutex* gate) {
    std::atomic<bool> go{false};
    const auto work = [&] {
        while (!go) {
            std::this_thread::yield();
        }
        for (int i = 0; i < transfers && !(gate == nullptr && camera.overlapDetected()); ++i) {
            std::unique_lock<std::mutex> lock;
            if (gate != nullptr) {
                lock = std::unique_lock(*gate);
            }
            std::vector<std::uint8_t> data(5);
            camera.control({0xC0, static_cast<std::uint8_t>(i % 7 == 0 ? 0x11 : 0x12), 0, 0, 5},
                           data);  // failing requests too: every path must end its transfer
        }
    };
    std::thread first(work);
    std::thread second(work);
    go = true;
    first.join();
    second.join();
}

TEST(ControlOverlap, SerialisedTransfersNeverOverlap) {
    Options options = quickCamera();
    options.controlLatency = std::chrono::microseconds(50);
    VirtualCamera camera(options);
    camera.failNextControlTransfers(5);
    std::mutex busLock;
    hammer(camera, 200, &busLock);
    EXPECT_FALSE(camera.overlapDetected());
}

TEST(ControlOverlap, ConcurrentTransfersAreDetected) {
    Options options = quickCamera();
    options.controlLatency = std::chrono::milliseconds(2);
    VirtualCamera camera(options);
    hammer(camera, 5000, nullptr);
    EXPECT_TRUE(camera.overlapDetected());
    hammer(camera, 1, nullptr);
    EXPECT_TRUE(camera.overlapDetected()) << "the mark stays once set";
}

}  // namespace
}  // namespace vcam::test
