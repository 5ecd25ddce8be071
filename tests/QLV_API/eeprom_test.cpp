// Serial number, colour records and shipment data: byte order, chunking, and the wait for a
// busy camera.
#include <numeric>
#include <vector>

#include "library_fixture.h"

namespace qlv::test {
namespace {

class Eeprom : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        startConnected();
        camera->clearRequests();
    }

    std::vector<vcam::RecordedRequest> requestsCoded(std::uint8_t code) {
        std::vector<vcam::RecordedRequest> out;
        for (const auto& r : camera->requests()) {
            if (r.setup.request == code) {
                out.push_back(r);
            }
        }
        return out;
    }
};

TEST_F(Eeprom, SerialNumberIsStoredLeastSignificantByteFirst) {
    ASSERT_EQ(QLV_SetSerialNo(0x12345), 0);
    EXPECT_EQ(camera->eeprom(0x2E00, 2), (std::vector<std::uint8_t>{0x45, 0x23}));
    std::uint16_t serial = 0;
    ASSERT_EQ(QLV_GetSerialNo(&serial), 0);
    EXPECT_EQ(serial, 0x2345);
    EXPECT_EQ(QLV_GetSerialNo(nullptr), 1);
    EXPECT_FALSE(requestsCoded(0x12).empty()) << "the writer waited for the camera";
}

TEST_F(Eeprom, ColourRecordsRoundTripWithTheirWidths) {
    ASSERT_EQ(QLV_SetRGBData(5, 0x7ABCDEF, -2, 0x12345, 300), 0);
    EXPECT_EQ(camera->eeprom(0x2E02 + 45, 9),
              (std::vector<std::uint8_t>{0xEF, 0xCD, 0xAB, 0xFE, 0xFF, 0x45, 0x23, 0x2C, 0x01}));
    std::int32_t first = 0;
    std::int16_t second = 0, third = 0, fourth = 0;
    ASSERT_EQ(QLV_GetRGBData(5, &first, &second, &third, &fourth), 0);
    EXPECT_EQ(first, 0xABCDEF);
    EXPECT_EQ(second, -2);
    EXPECT_EQ(third, 0x2345);
    EXPECT_EQ(fourth, 300);

    camera->clearRequests();
    EXPECT_EQ(QLV_SetRGBData(6, 0, 0, 0, 0), 1);
    EXPECT_EQ(QLV_GetRGBData(6, &first, &second, &third, &fourth), 1);
    EXPECT_EQ(QLV_GetRGBData(0, &first, nullptr, &third, &fourth), 1);
    EXPECT_TRUE(camera->requests().empty());
}

TEST_F(Eeprom, ShipmentDataMovesIn32ByteChunks) {
    std::vector<std::uint8_t> data(70);
    std::iota(data.begin(), data.end(), std::uint8_t{1});
    ASSERT_EQ(QLV_SetShipmentData(100, 70, data.data()), 0);
    const auto writes = requestsCoded(0x17);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].setup.index, 0x2E38 + 100);
    EXPECT_EQ(writes[1].setup.index, 0x2E38 + 132);
    EXPECT_EQ(writes[2].setup.index, 0x2E38 + 164);
    EXPECT_EQ(writes[2].data.size(), 6u);

    std::vector<std::uint8_t> back(70);
    ASSERT_EQ(QLV_GetShipmentData(100, 70, back.data()), 0);
    EXPECT_EQ(back, data);
}

TEST_F(Eeprom, ShipmentRangeIsChecked) {
    std::vector<std::uint8_t> buffer(64);
    ASSERT_EQ(QLV_GetShipmentData(4520, 32, buffer.data()), 0);
    const auto reads = requestsCoded(0x16);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].setup.index, 0x3FE0);
    EXPECT_EQ(reads[0].setup.length, 32);

    camera->clearRequests();
    EXPECT_EQ(QLV_GetShipmentData(4521, 32, buffer.data()), 1);
    EXPECT_EQ(QLV_GetShipmentData(0, 0, buffer.data()), 1);
    EXPECT_EQ(QLV_SetShipmentData(0xFFFFFFF0u, 32, buffer.data()), 1) << "no wrap-around";
    EXPECT_EQ(QLV_SetShipmentData(0, 4553, buffer.data()), 1);
    EXPECT_TRUE(camera->requests().empty());
}

TEST_F(Eeprom, ShipmentReadStopsAtTheFirstFailedChunk) {
    std::vector<std::uint8_t> buffer(100);
    camera->failNextControlTransfers(1);
    EXPECT_EQ(QLV_GetShipmentData(0, 100, buffer.data()), 1);
    EXPECT_EQ(requestsCoded(0x16).size(), 1u);
}

TEST_F(Eeprom, CameraThatStaysBusyFailsTheWriteWithNothingWritten) {
    camera->setStaysBusy(true);
    EXPECT_EQ(QLV_SetSerialNo(77), 1);
    EXPECT_EQ(lastError(), 1);
    EXPECT_TRUE(requestsCoded(0x17).empty());
    EXPECT_GT(requestsCoded(0x12).size(), 100u) << "it polled, paced, until the bound";
    EXPECT_LT(requestsCoded(0x12).size(), 20'000u) << "the poll pauses between reads";
}

}  // namespace
}  // namespace qlv::test
