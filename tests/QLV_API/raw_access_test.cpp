// What the raw-access exports put on the bus, what they refuse, and the bus lock under load.
#include <array>
#include <thread>
#include <vector>

#include "library_fixture.h"

namespace qlv::test {
namespace {

class RawAccess : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        startConnected();
        camera->clearRequests();
    }

    // The one request an export sent.
    vcam::RecordedRequest onlyRequest() {
        const auto requests = camera->requests();
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? vcam::RecordedRequest{} : requests.front();
    }
};

struct Expected {
    std::uint8_t requestType, request;
    std::uint16_t value, index, length;
};

void expectSetup(const vcam::RecordedRequest& got, Expected want) {
    EXPECT_EQ(got.setup.requestType, want.requestType);
    EXPECT_EQ(got.setup.request, want.request);
    EXPECT_EQ(got.setup.value, want.value);
    EXPECT_EQ(got.setup.index, want.index);
    EXPECT_EQ(got.setup.length, want.length);
}

TEST_F(RawAccess, StatusBlock) {
    std::uint8_t status[5]{9, 9, 9, 9, 9};
    ASSERT_EQ(QLV_GetDevStatus(status), 0);
    expectSetup(onlyRequest(), {0xC0, 0x12, 0, 0, 5});
    EXPECT_EQ(status[0], 1);
    EXPECT_EQ(status[1], 0);
    EXPECT_EQ(status[2], 0);
    EXPECT_EQ(status[3], 0);
}

TEST_F(RawAccess, DeviceRegistersCarryDeviceAndRegisterNumbers) {
    const std::uint8_t write[4] = {0x12, 0x34, 0x56, 0x78};
    ASSERT_EQ(QLV_DeviceWrite(0x101, 0x12345, 4, write), 0);
    expectSetup(onlyRequest(), {0x40, 0x19, 0x01, 0x2345, 4});
    EXPECT_EQ(onlyRequest().data, std::vector<std::uint8_t>(write, write + 4));

    camera->clearRequests();
    std::uint8_t read[4]{};
    ASSERT_EQ(QLV_DeviceRead(1, 0x2345, 4, read), 0);
    expectSetup(onlyRequest(), {0xC0, 0x18, 1, 0x2345, 4});
    EXPECT_EQ(std::vector<std::uint8_t>(read, read + 4),
              std::vector<std::uint8_t>(write, write + 4))
        << "two registers read back what was written";
    EXPECT_EQ(camera->sensorRegister(0x2345), 0x1234);
    EXPECT_EQ(camera->sensorRegister(0x2346), 0x5678);
}

TEST_F(RawAccess, I2CAddressIsSevenBits) {
    const std::uint8_t bytes[3] = {1, 2, 3};
    ASSERT_EQ(QLV_I2CWrite(0x1A5, 3, bytes), 0);
    expectSetup(onlyRequest(), {0x40, 0x15, 0, 0x25, 3});

    camera->clearRequests();
    std::uint8_t probe[4]{};
    ASSERT_EQ(QLV_I2CRead(0xD8, 4, probe), 0);
    expectSetup(onlyRequest(), {0xC0, 0x14, 0, 0x58, 4});
    EXPECT_GT(probe[0], 15) << "the default sensor has 480 lines";
}

TEST_F(RawAccess, EepromRoundTripLeavesTheCameraBusyForAMoment) {
    const std::uint8_t bytes[6] = {'q', 'l', 'v', 0, 0xAA, 0x55};
    ASSERT_EQ(QLV_EEPROMWrite(0x3F00, 6, bytes), 0);
    expectSetup(onlyRequest(), {0x40, 0x17, 0, 0x3F00, 6});
    ASSERT_TRUE(eventually([] {
        std::uint8_t status[5]{};
        return QLV_GetDevStatus(status) == 0 && status[3] == 0;
    }));

    std::uint8_t back[6]{};
    ASSERT_EQ(QLV_EEPROMRead(0x3F00, 6, back), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(back, back + 6),
              std::vector<std::uint8_t>(bytes, bytes + 6));
}

TEST_F(RawAccess, LengthsAndBuffersThatCannotBeSentAreRefusedUnsent) {
    std::vector<std::uint8_t> big(70'000);
    EXPECT_EQ(QLV_EEPROMRead(0, -1, big.data()), 1);
    EXPECT_EQ(QLV_EEPROMRead(0, 65'536, big.data()), 1);
    EXPECT_EQ(QLV_EEPROMRead(-1, 4, big.data()), 1);
    EXPECT_EQ(QLV_EEPROMWrite(0x10000, 4, big.data()), 1);
    EXPECT_EQ(QLV_DeviceRead(1, 9, 2, nullptr), 1);
    EXPECT_EQ(QLV_I2CWrite(0x58, 4, nullptr), 1);
    EXPECT_EQ(QLV_GetDevStatus(nullptr), 1);
    EXPECT_EQ(lastError(), 1);
    EXPECT_TRUE(camera->requests().empty());
}

TEST_F(RawAccess, FailedTransferIsReportedAndNotRetried) {
    camera->failNextControlTransfers(1);
    std::uint8_t status[5]{};
    EXPECT_EQ(QLV_GetDevStatus(status), 1);
    EXPECT_EQ(lastError(), 1);
    EXPECT_EQ(camera->requests().size(), 1u);
    EXPECT_EQ(QLV_GetDevStatus(status), 0);
    EXPECT_EQ(lastError(), 0);
}

TEST_F(RawAccess, ConcurrentCallersNeverOverlapOnTheBus) {
    std::vector<std::thread> callers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([t, &failures] {
            for (int i = 0; i < 200; ++i) {
                std::uint8_t bytes[8]{};
                const bool ok = (t % 2 == 0) ? QLV_GetDevStatus(bytes) == 0
                                             : QLV_EEPROMRead(0x2000 + 8 * t, 8, bytes) == 0;
                failures += ok ? 0 : 1;
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_FALSE(camera->overlapDetected());
    EXPECT_EQ(camera->requests().size(), 800u);
}

}  // namespace
}  // namespace qlv::test
