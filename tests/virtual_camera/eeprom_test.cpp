// The EEPROM as the factory leaves it, its requests, its busy flag and its file.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlockBase = 0x2000;

std::size_t blockAddress(int mode, int resolution) {
    return kBlockBase + 512 * static_cast<std::size_t>((mode - 1) + 3 * resolution);
}

Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(offset + length)};
}

class Eeprom : public ::testing::Test {
protected:
    VirtualCamera camera{quickCamera()};
};

TEST_F(Eeprom, ModeOneHoldsTheBuiltInBlocks) {
    const Bytes small = camera.eeprom(blockAddress(1, 0), 512);
    const Bytes large = camera.eeprom(blockAddress(1, 1), 512);
    ASSERT_EQ(small.size(), 512u);

    EXPECT_EQ(slice(small, 0, 4), (Bytes{'Q', 'L', 'V', '0'}));
    EXPECT_EQ(slice(small, 4, 4), (Bytes{0x01, 0x06, 0xF8, 0x1E}));
    EXPECT_EQ(slice(small, 8, 4), (Bytes{0x00, 0x09, 0x03, 0x25}));
    EXPECT_EQ(slice(small, 88, 4), (Bytes{0x02, 0x5B, 0x80, 0x02}));
    EXPECT_EQ(slice(small, 92, 4), (Bytes{0x82, 0x20, 0x00, 0x00}));
    EXPECT_EQ(slice(small, 96, 4), (Bytes{0x83, 0x00, 0x02, 0x00}));
    EXPECT_EQ(slice(small, 112, 4), (Bytes{0x8B, 0x00, 0x00, 0x40}));
    EXPECT_EQ(slice(small, 116, 4), (Bytes{0xFF, 0x03, 0x00, 0x00})) << "end mark, hue 0";
    EXPECT_EQ(slice(small, 120, 392), Bytes(392, 0));

    // The 1280 block differs in the exposure value only.
    EXPECT_EQ(slice(large, 8, 4), (Bytes{0x00, 0x09, 0x02, 0x19}));
    Bytes patched = large;
    patched[10] = 0x03;
    patched[11] = 0x25;
    EXPECT_EQ(patched, small);
}

TEST_F(Eeprom, EveryModeHasItsOwnValidBlock) {
    std::set<Bytes> distinct;
    for (int resolution = 0; resolution < 2; ++resolution) {
        for (int mode = 1; mode <= 3; ++mode) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " resolution " << resolution);
            const Bytes block = camera.eeprom(blockAddress(mode, resolution), 512);
            EXPECT_EQ(slice(block, 0, 4), (Bytes{'Q', 'L', 'V', '0'}));
            EXPECT_EQ(slice(block, 116, 2), (Bytes{0xFF, 0x03}));
            EXPECT_EQ(slice(block, 120, 392), Bytes(392, 0));
            // Records keep the built-in order of registers.
            EXPECT_EQ(slice(block, 4, 2), (Bytes{0x01, 0x06}));
            EXPECT_EQ(block[92], 0x82);
            distinct.insert(block);
        }
    }
    EXPECT_EQ(distinct.size(), 6u);
    const Bytes modeTwo = camera.eeprom(blockAddress(2, 0), 512);
    EXPECT_EQ(slice(modeTwo, 118, 2), (Bytes{50, 0})) << "hue +5.0 degrees, LSB first";
}

TEST_F(Eeprom, SerialColourRecordsAndShipmentData) {
    EXPECT_EQ(camera.eeprom(0x2E00, 2), (Bytes{0xE1, 0x10})) << "4321, LSB first";

    std::set<Bytes> records;
    for (std::size_t i = 0; i < 6; ++i) {
        records.insert(camera.eeprom(0x2E02 + 9 * i, 9));
    }
    EXPECT_EQ(records.size(), 6u);

    const Bytes shipment = camera.eeprom(0x2E38, 0x4000 - 0x2E38);
    ASSERT_EQ(shipment.size(), 4552u);
    const auto end = std::find(shipment.begin(), shipment.end(), 0);
    const std::string note(shipment.begin(), end);
    EXPECT_EQ(note.rfind("shipped", 0), 0u) << note;
    EXPECT_TRUE(std::all_of(end, shipment.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(Eeprom, RequestsReadAndWriteWithinTheChip) {
    EXPECT_EQ(requestIn(camera, 0x16, 0, 0x2000, 8), camera.eeprom(0x2000, 8));
    Bytes expected = camera.eeprom(0x2E37, 5);
    ASSERT_TRUE(requestOut(camera, 0x17, 0, 0x2E38, {'a', 'b', 'c'}));
    std::copy_n("abc", 3, expected.begin() + 1);
    EXPECT_EQ(requestIn(camera, 0x16, 0, 0x2E37, 5), expected) << "neighbours untouched";

    const auto last = requestIn(camera, 0x16, 0, 0x3FE0, 32);
    ASSERT_TRUE(last) << "the last 32 bytes";
    EXPECT_EQ(last->size(), 32u);
    EXPECT_FALSE(requestIn(camera, 0x16, 0, 0x3FE1, 32)) << "runs past the end";
    EXPECT_FALSE(requestIn(camera, 0x16, 0, 0x4000, 1));
    EXPECT_FALSE(requestOut(camera, 0x17, 0, 0x3FFF, {1, 2}));
    EXPECT_EQ(camera.eeprom(0x3FFF, 1), (Bytes{0})) << "a refused write stores nothing";
}

TEST(EepromBusy, AWriteKeepsTheCameraBusyForItsWriteTime) {
    Options options = quickCamera();
    options.eepromBusyTime = std::chrono::hours(1);
    VirtualCamera slow(options);
    EXPECT_EQ(slow.status()[3], 0);
    ASSERT_TRUE(requestOut(slow, 0x17, 0, 0x2E00, {1, 2}));
    EXPECT_EQ(slow.status()[3], 1);
    EXPECT_EQ(requestIn(slow, 0x12, 0, 0, 5), (Bytes{1, 0, 0, 1, 0}));

    options.eepromBusyTime = std::chrono::milliseconds(0);
    VirtualCamera instant(options);
    ASSERT_TRUE(requestOut(instant, 0x17, 0, 0x2E00, {1, 2}));
    EXPECT_EQ(instant.status()[3], 0);
    instant.setStaysBusy(true);
    EXPECT_EQ(instant.status()[3], 1);
    instant.setStaysBusy(false);
    EXPECT_EQ(instant.status()[3], 0);
}

TEST(EepromFile, WritesSurviveTheCamera) {
    TemporaryFolder folder;
    Options options = quickCamera();
    options.eepromFile = (folder.path() / "eeprom.bin").string();
    {
        VirtualCamera first(options);
        ASSERT_TRUE(requestOut(first, 0x17, 0, 0x2E00, {0x34, 0x12}));
    }
    EXPECT_EQ(std::filesystem::file_size(options.eepromFile), 0x4000u);
    VirtualCamera second(options);
    EXPECT_EQ(second.eeprom(0x2E00, 2), (Bytes{0x34, 0x12}));
    EXPECT_EQ(second.eeprom(0x2000, 4), (Bytes{'Q', 'L', 'V', '0'}));

    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

// What the host keeps in the camera: serial number, colour records and shipment data, written as
// the host writes them (records whole, shipment data in chunks of 32 bytes).
TEST(EepromFile, TheCamerasOwnDataSurvivesReplugAndRestart) {
    TemporaryFolder folder;
    Options options = quickCamera();
    options.eepromFile = (folder.path() / "eeprom.bin").string();
    Bytes shipment(4552);
    for (std::size_t i = 0; i < shipment.size(); ++i) {
        shipment[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    const auto record = [](std::size_t i) {
        return Bytes{static_cast<std::uint8_t>(0x10 + i), 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                     static_cast<std::uint8_t>(0x99 - i)};
    };
    const auto expectKept = [&](VirtualCamera& camera) {
        EXPECT_EQ(requestIn(camera, 0x16, 0, 0x2E00, 2), (Bytes{0x39, 0x30}));
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(requestIn(camera, 0x16, 0, static_cast<std::uint16_t>(0x2E02 + 9 * i), 9),
                      record(i))
                << "record " << i;
        }
        EXPECT_EQ(camera.eeprom(0x2E38, 4552), shipment);
    };
    {
        VirtualCamera first(options);
        ASSERT_TRUE(requestOut(first, 0x17, 0, 0x2E00, {0x39, 0x30}));  // 12345
        for (std::size_t i = 0; i < 6; ++i) {
            ASSERT_TRUE(
                requestOut(first, 0x17, 0, static_cast<std::uint16_t>(0x2E02 + 9 * i), record(i)));
        }
        for (std::size_t at = 0; at < shipment.size(); at += 32) {
            const std::size_t length = std::min<std::size_t>(32, shipment.size() - at);
            ASSERT_TRUE(
                requestOut(first, 0x17, 0, static_cast<std::uint16_t>(0x2E38 + at),
                           Bytes(shipment.begin() + static_cast<std::ptrdiff_t>(at),
                                 shipment.begin() + static_cast<std::ptrdiff_t>(at + length))));
        }
        first.unplug();
        first.plug();
        SCOPED_TRACE("after replugging");
        expectKept(first);
    }
    VirtualCamera second(options);
    SCOPED_TRACE("in the next run");
    expectKept(second);
}

TEST(EepromFile, AFileOfTheWrongSizeIsNotTaken) {
    TemporaryFolder folder;
    Options options = quickCamera();
    options.eepromFile = (folder.path() / "eeprom.bin").string();
    std::ofstream(options.eepromFile, std::ios::binary) << std::string(100, 'x');
    VirtualCamera camera(options);
    EXPECT_EQ(camera.eeprom(0x2E00, 2), (Bytes{0xE1, 0x10}));
    EXPECT_EQ(std::filesystem::file_size(options.eepromFile), 100u) << "left alone until a write";
}

TEST(EepromPowerOn, TheSensorStartsFromTheStoredBlock) {
    VirtualCamera camera(quickCamera());
    // Exposure record of the mode-1 640 block: register 0x009 at offset 8.
    ASSERT_TRUE(requestOut(camera, 0x17, 0, 0x2008, {0x00, 0x09, 0x01, 0x11}));
    EXPECT_EQ(camera.sensorRegister(0x009), 0x0325) << "loaded at power-on only";
    camera.unplug();
    camera.plug();
    EXPECT_EQ(camera.sensorRegister(0x009), 0x0111);

    // A block without its tag is not trusted: the sensor keeps its reset values.
    ASSERT_TRUE(requestOut(camera, 0x17, 0, 0x2000, {0, 0, 0, 0}));
    camera.unplug();
    camera.plug();
    EXPECT_EQ(camera.sensorRegister(0x009), 0);
}

}  // namespace
}  // namespace vcam::test
