// The bytes the picture-setting exports put on the bus, and their refusals.
#include <array>
#include <vector>

#include "library_fixture.h"

namespace qlv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Sensor : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        startConnected();
        camera->clearRequests();
    }

    // The OUT transfers since the last clear: request, wValue, wIndex and data.
    struct Sent {
        std::uint8_t request;
        std::uint16_t value, index;
        Bytes data;
        bool operator==(const Sent&) const = default;
    };
    std::vector<Sent> sent() {
        std::vector<Sent> out;
        for (const auto& r : camera->requests()) {
            if (!r.setup.isIn()) {
                out.push_back({r.setup.request, r.setup.value, r.setup.index, r.data});
            }
        }
        camera->clearRequests();
        return out;
    }
};

TEST_F(Sensor, HueRotatesTheColourPlane) {
    ASSERT_EQ(QLV_SetHue(0), 0);
    EXPECT_EQ(sent().at(0).data, (Bytes{0x02, 0x20, 0x00, 0x00, 0x03, 0x00, 0x02, 0x00}));
    ASSERT_EQ(QLV_SetHue(900), 0);
    const auto quarter = sent().at(0);
    EXPECT_EQ(quarter.data, (Bytes{0x02, 0x00, 0x06, 0x00, 0x03, 0x20, 0x00, 0x00}));
    EXPECT_EQ(quarter.value, 2) << "device 2";
    EXPECT_EQ(quarter.index, 2) << "register 2";
    ASSERT_EQ(QLV_SetHue(-900), 0);
    EXPECT_EQ(sent().at(0).data, (Bytes{0x02, 0x00, 0x02, 0x00, 0x03, 0x60, 0x00, 0x00}));
    EXPECT_EQ(QLV_SetHue(1801), 1);
    EXPECT_EQ(QLV_SetHue(-1801), 1);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(camera->device2Register(2), 0x000200u) << "-900 left the cosine at 0";
}

TEST_F(Sensor, ContrastPicksTheRegisterBySign) {
    const auto contrast = [&](int value) {
        EXPECT_EQ(QLV_SetContrast(value), 0);
        const auto s = sent();
        EXPECT_EQ(s.size(), 1u);
        EXPECT_EQ(s.at(0).index, 0x13B);
        return s.at(0).data;
    };
    EXPECT_EQ(contrast(-42), (Bytes{0x04, 0x2A, 0x04, 0x00}));
    EXPECT_EQ(contrast(42), (Bytes{0x04, 0x00, 0x04, 0x2A}));
    EXPECT_EQ(contrast(0), (Bytes{0x04, 0x00, 0x04, 0x00}));
    EXPECT_EQ(contrast(1024), (Bytes{0x04, 0x00, 0x04, 0x00}));
    EXPECT_EQ(contrast(INT32_MIN), (Bytes{0x04, 0x00, 0x04, 0x00}));
}

TEST_F(Sensor, ChromaGainsAndOffsets) {
    ASSERT_EQ(QLV_SetChroma(0, -5), 0);
    auto s = sent();
    EXPECT_EQ(s.at(0), (Sent{0x19, 2, 8, Bytes{0x08, 0, 0, 0x85}}));
    ASSERT_EQ(QLV_SetChroma(2, 64), 0);
    EXPECT_EQ(sent().at(0).data, (Bytes{0x0A, 0, 0, 0x40}));
    ASSERT_EQ(QLV_SetChroma(1, 40), 0);
    EXPECT_EQ(sent().at(0).data, (Bytes{0x09, 0, 0, 0x08})) << "five-bit magnitude";
    EXPECT_EQ(QLV_SetChroma(4, 0), 1);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Sensor, AutoExposureWorksThroughItsFlags) {
    EXPECT_EQ(QLV_SetAE(0, 1, 2, 3, 4), 0);
    EXPECT_TRUE(camera->requests().empty());

    ASSERT_EQ(QLV_SetAE(7, 0, 0x1FF, 0x1234, 0x56), 0);
    const auto s = sent();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].index, 0x106);
    EXPECT_EQ(s[0].data, (Bytes{0xB0, 0x1E})) << "AE bits cleared from the factory 0xF81E";
    EXPECT_EQ(s[1].index, 0x22E);
    EXPECT_EQ(s[1].data, (Bytes{0x0C, 0xFF})) << "target low byte, high byte kept";
    EXPECT_EQ(s[2], (Sent{0x19, 1, 0x009, Bytes{0x12, 0x34}}));
    EXPECT_EQ(s[3], (Sent{0x19, 1, 0x02F, Bytes{0x00, 0x56}}));

    ASSERT_EQ(QLV_SetAE(1, 1, 0, 0, 0), 0);
    EXPECT_EQ(camera->sensorRegister(0x106), 0xF81E);
}

TEST_F(Sensor, AutoExposureStopsAtTheFirstFailure) {
    camera->failNextControlTransfers(1);  // the read of 0x106
    EXPECT_EQ(QLV_SetAE(7, 1, 10, 20, 30), 1);
    EXPECT_EQ(camera->requests().size(), 1u);
    EXPECT_EQ(lastError(), 1);
}

TEST_F(Sensor, ReadModifyWritesKeepTheOtherBits) {
    ASSERT_EQ(QLV_SetMirrorMode(1), 0);
    EXPECT_EQ(camera->sensorRegister(0x020), 0x0702);
    ASSERT_EQ(QLV_SetMirrorMode(0), 0);
    EXPECT_EQ(camera->sensorRegister(0x020), 0x0700);
    ASSERT_EQ(QLV_SetAWB(3, 0, 0x1AB, 0x2CD), 0);
    EXPECT_EQ(camera->sensorRegister(0x106), 0xF81C);
    EXPECT_EQ(camera->sensorRegister(0x221), 0xABCD);
}

TEST_F(Sensor, FailedReadWritesNothing) {
    camera->failNextControlTransfers(1);
    EXPECT_EQ(QLV_SetMirrorMode(1), 1);
    EXPECT_EQ(sent().size(), 0u);
}

TEST_F(Sensor, GammaKneesGoToTheChosenTable) {
    const std::array<std::uint8_t, 11> knees{0, 20, 30, 46, 70, 106, 135, 160, 183, 204, 224};
    ASSERT_EQ(QLV_SetGamma(1, knees.data()), 0);
    const auto s = sent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].index, 0x1DC);
    EXPECT_EQ(s[0].data, (Bytes{30, 20, 70, 46, 135, 106, 183, 160, 224, 204, 0, 0}));
    ASSERT_EQ(QLV_SetGamma(0, knees.data()), 0);
    EXPECT_EQ(sent().at(0).index, 0x153);
    EXPECT_EQ(camera->sensorRegister(0x153), 0x1E14) << "the factory knees";
    EXPECT_EQ(QLV_SetGamma(0, nullptr), 1);
}

TEST_F(Sensor, PlainWrites) {
    ASSERT_EQ(QLV_SetSharpness(0x10005), 0);
    ASSERT_EQ(QLV_SetFlicker(0x103), 0);
    const auto s = sent();
    EXPECT_EQ(s.at(0), (Sent{0x19, 1, 0x105, Bytes{0x00, 0x05}}));
    EXPECT_EQ(s.at(1), (Sent{0x19, 1, 0x25B, Bytes{0x00, 0x03}}));
}

TEST_F(Sensor, ModeIsSetAndReadThroughTheStatus) {
    ASSERT_EQ(QLV_SetMode(2), 0);
    EXPECT_EQ(sent().at(0), (Sent{0x13, 0, 1, Bytes{2, 0, 0}}));
    std::int32_t mode = -1;
    ASSERT_EQ(QLV_CheckMode(&mode), 0);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(QLV_SetMode(4), 1);
    EXPECT_EQ(QLV_CheckMode(nullptr), 1);

    camera->unplug();
    ASSERT_TRUE(eventually([] { return !cameraPresent(); }));
    EXPECT_EQ(QLV_CheckMode(&mode), 1);
    EXPECT_EQ(mode, 0);
}

}  // namespace
}  // namespace qlv::test
