// Command lines of the device-control commands: what is refused before the camera is touched,
// and what the tool and the camera accept at the edges of each range.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qlvctl_run.h"

namespace qlvctl::testing {
namespace {

using ::testing::HasSubstr;
using Words = std::vector<std::string>;

std::vector<std::string> withKnees(Words words, const std::string& last) {
    for (const char* knee : {"0", "20", "30", "46", "70", "106", "135", "160", "183", "204"}) {
        words.push_back(knee);
    }
    words.push_back(last);
    return words;
}

class QlvctlDeviceCommandTest : public ::testing::TestWithParam<Words> {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    std::optional<Finished> runHere(Words words) {
        for (std::string& word : words) {
            if (word == "FILE") {
                word = (folder_.path() / "shot.bmp").string();
            }
        }
        return run(qlvctl(words), virtualCameraEnvironment(folder_.path() / "eeprom.bin"));
    }

    TemporaryFolder folder_;
};

// ---- Refused before the camera is opened ----------------------------------------------------

using QlvctlDeviceUsageErrorTest = QlvctlDeviceCommandTest;

TEST_P(QlvctlDeviceUsageErrorTest, ExitsWith64AndTouchesNothing) {
    const auto result = runHere(GetParam());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 64);
    EXPECT_THAT(result->err, HasSubstr("--help"));
    EXPECT_EQ(result->out, "") << "nothing may look like a result";
    EXPECT_TRUE(std::filesystem::is_empty(folder_.path())) << "no picture, no EEPROM write";
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, QlvctlDeviceUsageErrorTest,
    ::testing::Values(Words{"serial", "set", "12x"}, Words{"serial", "set", "+5"},
                      Words{"serial", "set", "0x"}, Words{"serial", "set", "--5"},
                      Words{"serial", "set", "-1"}, Words{"serial", "set", "65536"},
                      Words{"serial", "set", "99999999999999999999999"},
                      Words{"serial", "get", "now"}));

INSTANTIATE_TEST_SUITE_P(
    EepromAndRecords, QlvctlDeviceUsageErrorTest,
    ::testing::Values(Words{"eeprom"}, Words{"eeprom", "read", "0", "1"},
                      Words{"eeprom", "dump", "0x4000", "1"}, Words{"eeprom", "dump", "0", "0"},
                      Words{"eeprom", "dump", "0x3ff0", "17"}, Words{"rgb", "get", "6"},
                      Words{"rgb", "set", "0", "0x1000000", "0", "0", "0"},
                      Words{"rgb", "set", "0", "0", "32768", "0", "0"},
                      Words{"rgb", "set", "0", "0", "0", "0", "-32769"},
                      Words{"rgb", "set", "0", "1", "2", "3"}, Words{"shipment", "get", "0"},
                      Words{"shipment", "get", "4552", "1"}, Words{"shipment", "get", "4551", "2"},
                      Words{"shipment", "set", "0", ""}, Words{"shipment", "set", "4551", "ab"},
                      Words{"shipment", "set", "0", "two", "words"},
                      Words{"shipment", "set", "0", "--hex", "abc"},
                      Words{"shipment", "set", "0", "--hex", "0g"}));

INSTANTIATE_TEST_SUITE_P(
    Settings, QlvctlDeviceUsageErrorTest,
    ::testing::Values(Words{"set"}, Words{"set", "brightness", "3"}, Words{"set", "hue"},
                      Words{"set", "hue", "1801"}, Words{"set", "hue", "-1801"},
                      Words{"set", "contrast", "1024"}, Words{"set", "ae", "maybe"},
                      Words{"set", "target", "256"}, Words{"set", "exposure", "65536"},
                      Words{"set", "exposure", "1", "2", "3"}, Words{"set", "flicker", "55"},
                      Words{"set", "mirror", "2"}, Words{"set", "gamma", "0", "1", "2"},
                      withKnees({"set", "gamma", "2"}, "224"),
                      withKnees({"set", "gamma", "0"}, "256"), Words{"set", "chroma", "0", "32"},
                      Words{"set", "chroma", "2", "-1"}, Words{"set", "chroma", "4", "0"},
                      Words{"set", "mode", "0"}, Words{"set", "mode", "4"}));

INSTANTIATE_TEST_SUITE_P(
    Grab, QlvctlDeviceUsageErrorTest,
    ::testing::Values(Words{"grab"}, Words{"grab", "FILE", "other.bmp"},
                      Words{"grab", "FILE", "--resolution", "2"}, Words{"grab", "FILE", "--frob"},
                      Words{"grab", "FILE", "--set", "hue"}, Words{"grab", "FILE", "--set", "=1"},
                      Words{"grab", "FILE", "--set", "exposure=1,"},
                      Words{"grab", "FILE", "--set", "hue=900", "--set", "mode=9"}));

// ---- Accepted at the edges ------------------------------------------------------------------

using QlvctlDeviceEdgeTest = QlvctlDeviceCommandTest;

TEST_P(QlvctlDeviceEdgeTest, IsAcceptedByToolAndCamera) {
    const auto result = runHere(GetParam());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0) << result->err;
    EXPECT_NE(result->out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, QlvctlDeviceEdgeTest,
    ::testing::Values(Words{"serial", "set", "65535"}, Words{"eeprom", "dump", "0", "0x4000"},
                      Words{"eeprom", "dump", "0x3fff", "1"},
                      Words{"rgb", "set", "5", "0xffffff", "-32768", "32767", "0"},
                      Words{"shipment", "get", "0", "4552"},
                      Words{"shipment", "set", "4551", "--hex", "7F"}));

// Each setting reaches the camera and is taken.
INSTANTIATE_TEST_SUITE_P(
    Settings, QlvctlDeviceEdgeTest,
    ::testing::Values(Words{"set", "hue", "-1800"}, Words{"set", "contrast", "1023"},
                      Words{"set", "ae", "off"}, Words{"set", "target", "255"},
                      Words{"set", "exposure", "0xffff", "0xffff"}, Words{"set", "flicker", "auto"},
                      Words{"set", "mirror", "on"}, Words{"set", "sharpness", "0"},
                      withKnees({"set", "gamma", "1"}, "255"), Words{"set", "chroma", "1", "-31"},
                      Words{"set", "chroma", "3", "0xff"}, Words{"set", "mode", "3"},
                      Words{"set", "awb", "1"}));

TEST(QlvctlSetTest, ManualExposureWarnsWhileAutomaticExposureRuns) {
    const auto result =
        run(qlvctl({"set", "exposure", "805"}), cameraEnvironment({{"QLV_CAMERA", "virtual"}}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0) << result->err;
    EXPECT_EQ(result->out,
              "exposure set to shutter 805, gain 32\n"
              "note: automatic exposure is on and will change the exposure; switch it off first "
              "(ae off)\n");
}

// ---- No camera --------------------------------------------------------------------------------

class QlvctlDeviceNoCameraTest : public ::testing::TestWithParam<Words> {};

TEST_P(QlvctlDeviceNoCameraTest, GivesUpWithExit2AndAHint) {
    const auto result = run(qlvctl(GetParam()), cameraEnvironment(), std::chrono::seconds(10));
    ASSERT_TRUE(result) << "the command must give up by itself";
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr("no camera found"));
    EXPECT_EQ(result->out, "");
}

INSTANTIATE_TEST_SUITE_P(Cli, QlvctlDeviceNoCameraTest,
                         ::testing::Values(Words{"serial"}, Words{"serial", "set", "1"},
                                           Words{"eeprom", "dump", "0", "16"},
                                           Words{"rgb", "get", "0"},
                                           Words{"shipment", "get", "0", "1"},
                                           Words{"set", "hue", "0"}));

}  // namespace
}  // namespace qlvctl::testing
