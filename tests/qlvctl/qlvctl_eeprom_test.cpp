// The camera's own data kept across runs: each test writes in one qlvctl run and reads in the
// next, through a virtual-camera EEPROM file of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qlvctl_run.h"

namespace qlvctl::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class QlvctlEepromTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    // Runs qlvctl on this test's camera; the run must succeed.
    std::string succeed(const std::vector<std::string>& words) {
        const auto result = run(qlvctl(words), virtualCameraEnvironment(eeprom_));
        if (!result) {
            ADD_FAILURE() << "qlvctl did not end";
            return {};
        }
        EXPECT_EQ(result->exitCode, 0) << result->err;
        return result->out;
    }

    TemporaryFolder folder_;
    const std::filesystem::path eeprom_ = folder_.path() / "eeprom.bin";
};

TEST_F(QlvctlEepromTest, SerialNumberSetIsReadInTheNextRun) {
    EXPECT_EQ(succeed({"serial", "set", "0xBEEF"}), "serial number set to 48879\n");
    EXPECT_EQ(succeed({"serial", "get"}), "serial number 48879\n");
    EXPECT_EQ(succeed({"serial"}), "serial number 48879\n");
    // Stored least significant byte first at 0x2E00.
    EXPECT_THAT(succeed({"eeprom", "dump", "0x2e00", "2"}), HasSubstr("\n2e00: ef be "));
}

TEST_F(QlvctlEepromTest, ColourRecordSetIsReadBackAndLeavesItsNeighboursAlone) {
    const std::string before2 = succeed({"rgb", "get", "2"});
    const std::string before4 = succeed({"rgb", "get", "4"});

    EXPECT_THAT(succeed({"rgb", "set", "3", "0xabcdef", "-5", "300", "-32768"}),
                HasSubstr("first 11259375 (0xabcdef), second -5, third 300, fourth -32768"));
    EXPECT_EQ(succeed({"rgb", "get", "3"}),
              "colour record 3: first 11259375 (0xabcdef), second -5, third 300, fourth -32768\n");
    EXPECT_EQ(succeed({"rgb", "get", "2"}), before2);
    EXPECT_EQ(succeed({"rgb", "get", "4"}), before4);
}

TEST_F(QlvctlEepromTest, ShipmentTextIsStoredAsTypedAtItsOffset) {
    EXPECT_THAT(succeed({"shipment", "set", "100", "lot 7 passed"}),
                HasSubstr("12 bytes at offsets 100 to 111"));
    // No terminator is added: the zero bytes around the text are the factory's.
    EXPECT_THAT(succeed({"shipment", "get", "98", "16"}),
                HasSubstr("\n0062: 00 00 6c 6f 74 20 37 20  70 61 73 73 65 64 00 00  "
                          "|..lot 7 passed..|\n"));
}

TEST_F(QlvctlEepromTest, ShipmentHexReachesTheLastByte) {
    succeed({"shipment", "set", "4548", "--hex", "0102A0ff"});
    EXPECT_THAT(succeed({"shipment", "get", "4544", "8"}),
                HasSubstr("\n11c0: 00 00 00 00 01 02 a0 ff"));
    // The shipment area ends the EEPROM.
    EXPECT_THAT(succeed({"eeprom", "dump", "0x3ffc", "4"}), HasSubstr("\n3ffc: 01 02 a0 ff "));
}

TEST_F(QlvctlEepromTest, DumpShowsTheRegisterBlockTagAcrossAChunkBoundary) {
    // 0x1010 bytes from 0x1000 take two reads; the tag lies at the start of the second.
    const std::string dump = succeed({"eeprom", "dump", "0x1000", "0x1010"});
    EXPECT_THAT(dump, StartsWith("EEPROM 0x1000 to 0x200f:\n1000: "));
    EXPECT_THAT(dump, HasSubstr("\n2000: 51 4c 56 30 "));
    EXPECT_THAT(dump, HasSubstr("|QLV0"));
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 1 + 0x1010 / 16);
}

}  // namespace
}  // namespace qlvctl::testing
