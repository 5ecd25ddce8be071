// qlvctl run as a user runs it: usage, status and stream, on the virtual camera and without one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qlvctl_run.h"

namespace qlvctl::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;

// ---- Usage ---------------------------------------------------------------------------------

class QlvctlHelpTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(QlvctlHelpTest, PrintsUsageAndSucceeds) {
    const auto result = run(qlvctl(GetParam()), cameraEnvironment());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 0);
    EXPECT_THAT(result->out, HasSubstr("usage: qlvctl"));
    for (const char* command :
         {"status", "stream", "virtual", "grab", "set", "serial", "eeprom", "rgb", "shipment"}) {
        EXPECT_THAT(result->out, HasSubstr(std::string("\n  ") + command));
    }
    for (const char* setting : {"hue", "contrast", "ae", "target", "exposure", "flicker", "mirror",
                                "sharpness", "gamma", "chroma", "mode", "awb"}) {
        EXPECT_THAT(result->out, HasSubstr(std::string("\n  ") + setting + " "));
    }
    EXPECT_THAT(result->out, HasSubstr("64"));
}

INSTANTIATE_TEST_SUITE_P(Cli, QlvctlHelpTest,
                         ::testing::Values(std::vector<std::string>{"--help"},
                                           std::vector<std::string>{"-h"},
                                           std::vector<std::string>{"stream", "--help"},
                                           std::vector<std::string>{"grab", "--help"},
                                           std::vector<std::string>{"set", "hue", "--help"},
                                           std::vector<std::string>{"shipment", "-h"}));

class QlvctlUsageErrorTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(QlvctlUsageErrorTest, ExitsWith64AndExplainsOnStderr) {
    const auto result = run(qlvctl(GetParam()), cameraEnvironment({{"QLV_CAMERA", "virtual"}}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 64);
    EXPECT_THAT(result->err, HasSubstr("qlvctl"));
    EXPECT_THAT(result->err, HasSubstr("--help"));
    EXPECT_EQ(result->out, "") << "nothing may look like a result";
}

INSTANTIATE_TEST_SUITE_P(Cli, QlvctlUsageErrorTest,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"frobnicate"},
                                           std::vector<std::string>{"status", "now"},
                                           std::vector<std::string>{"stream", "--resolution", "2"},
                                           std::vector<std::string>{"stream", "--resolution"},
                                           std::vector<std::string>{"stream", "--seconds", "0"},
                                           std::vector<std::string>{"stream", "--seconds", "3x"},
                                           std::vector<std::string>{"stream", "--fast"},
                                           std::vector<std::string>{"virtual"}));

// ---- status --------------------------------------------------------------------------------

TEST(QlvctlStatusTest, DescribesTheVirtualCamera) {
    const auto result = run(qlvctl({"status"}), cameraEnvironment({{"QLV_CAMERA", "virtual"}}));
    ASSERT_TRUE(result);
    ASSERT_EQ(result->exitCode, 0) << result->err;
    EXPECT_THAT(result->out, ContainsRegex("library version +2\\.5\n"));
    EXPECT_THAT(result->out, ContainsRegex("camera +present\n"));
    EXPECT_THAT(result->out, ContainsRegex("mode +1\n"));
    EXPECT_THAT(result->out, ContainsRegex("resolution +640 wide\n"));
    EXPECT_THAT(result->out, ContainsRegex("freeze +live\n"));
    EXPECT_THAT(result->out, ContainsRegex("busy +no\n"));
    EXPECT_THAT(result->out, ContainsRegex("640 x 480 \\(480 lines\\)\n"));
}

TEST(QlvctlStatusTest, ReportsTheLineCountTheSensorAnswers) {
    const auto result =
        run(qlvctl({"status"}),
            cameraEnvironment({{"QLV_CAMERA", "virtual"}, {"QLV_VIRTUAL_CAMERA_LINES", "512"}}));
    ASSERT_TRUE(result);
    ASSERT_EQ(result->exitCode, 0) << result->err;
    EXPECT_THAT(result->out, ContainsRegex("640 x 512 \\(512 lines\\)\n"));
}

class QlvctlNoCameraTest : public ::testing::TestWithParam<std::optional<std::string>> {};

TEST_P(QlvctlNoCameraTest, StatusGivesUpWithExit2AndAHint) {
    // No USB bus here: without the virtual camera nothing can be found.
    const auto result = run(qlvctl({"status"}), cameraEnvironment({{"QLV_CAMERA", GetParam()}}),
                            std::chrono::seconds(10));
    ASSERT_TRUE(result) << "status must give up by itself";
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr("no camera found"));
    EXPECT_THAT(result->err, HasSubstr("QLV_CAMERA=virtual"));
}

TEST_P(QlvctlNoCameraTest, StreamGivesUpWithExit2) {
    const auto result =
        run(qlvctl({"stream", "--seconds", "1"}), cameraEnvironment({{"QLV_CAMERA", GetParam()}}),
            std::chrono::seconds(10));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr("no camera found"));
}

INSTANTIATE_TEST_SUITE_P(Cli, QlvctlNoCameraTest,
                         ::testing::Values(std::nullopt, std::optional<std::string>("usb")));

// ---- stream --------------------------------------------------------------------------------

struct StreamCase {
    const char* resolution;
    const char* seconds;  // long enough for a first frame also on a loaded, sanitised build
    const char* size;
};

void PrintTo(const StreamCase& c, std::ostream* os) {
    *os << "resolution " << c.resolution << " for " << c.seconds << " s";
}

class QlvctlStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(QlvctlStreamTest, ReceivesWholeFramesFromTheVirtualCamera) {
    const StreamCase& c = GetParam();
    const auto result =
        run(qlvctl({"stream", "--seconds", c.seconds, "--resolution", c.resolution}),
            cameraEnvironment({{"QLV_CAMERA", "virtual"}, {"QLV_VIRTUAL_CAMERA_FPS", "60"}}));
    ASSERT_TRUE(result);
    ASSERT_EQ(result->exitCode, 0) << result->err;
    EXPECT_THAT(result->out, HasSubstr(c.size));
    const auto received = reportedCount(result->out, "frames received");
    ASSERT_TRUE(received) << result->out;
    EXPECT_GT(*received, 0u);
    EXPECT_EQ(reportedCount(result->out, "torn frames"), 0u) << result->out;
    EXPECT_TRUE(reportedCount(result->out, "frames dropped")) << result->out;
}

INSTANTIATE_TEST_SUITE_P(Cli, QlvctlStreamTest,
                         ::testing::Values(StreamCase{"0", "1", "640 x 480"},
                                           StreamCase{"1", "3", "1280 x 1024"}),
                         [](const auto& info) {
                             return std::string("Resolution") + info.param.resolution;
                         });

}  // namespace
}  // namespace qlvctl::testing
