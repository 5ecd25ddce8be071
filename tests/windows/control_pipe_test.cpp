// The virtual camera's control channel on Windows, a named pipe, driven by qlvctl's client.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include <windows.h>

#include "camera_test_support.h"
#include "control_client.h"

namespace vcam::test {
namespace {

using namespace std::chrono_literals;

// A pipe name of this process alone, so parallel test processes never meet.
std::string uniquePipeName() {
    static std::atomic<int> next{0};
    return "qlv-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++next);
}

struct Exchange {
    const char* name;
    std::string line;
    std::string replyStart;
};

void PrintTo(const Exchange& exchange, std::ostream* out) {
    *out << exchange.name;
}

class ControlPipe : public ::testing::TestWithParam<Exchange> {
protected:
    Options withPipe() {
        Options options = quickCamera();
        options.controlSocket = pipeName;
        return options;
    }
    std::string pipeName = uniquePipeName();
};

TEST_P(ControlPipe, AnswersOneLinePerCommand) {
    VirtualCamera camera(withPipe());
    const auto exchange = qlvctl::exchangeLine(pipeName, GetParam().line, 5s);
    ASSERT_TRUE(exchange.answered) << exchange.problem;
    EXPECT_EQ(exchange.reply.rfind(GetParam().replyStart, 0), 0u) << exchange.reply;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ControlPipe,
    ::testing::Values(Exchange{"Mode", "mode 2", "ok"}, Exchange{"Unknown", "nonsense", "error: "},
                      Exchange{"Status", "status", "plugged=1 mode=1 "},
                      Exchange{"TooLong", std::string(5000, 'x'), "error: line too long"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ControlPipeCamera, CommandsReachTheCameraOneClientAfterAnother) {
    const std::string name = uniquePipeName();
    Options options = quickCamera();
    options.controlSocket = "\\\\.\\pipe\\" + name;  // the full form names the same pipe
    VirtualCamera camera(options);
    EXPECT_TRUE(qlvctl::exchangeLine(name, "freeze 1", 5s).answered);
    EXPECT_TRUE(qlvctl::exchangeLine(name, "unplug", 5s).answered);
    EXPECT_FALSE(camera.plugged());
    EXPECT_EQ(camera.status()[2], 1);
}

TEST(ControlPipeCamera, ASecondCameraLeavesALivePipeAloneAndTheNameFreesAtTheEnd) {
    const std::string name = uniquePipeName();
    Options options = quickCamera();
    options.controlSocket = name;
    {
        VirtualCamera first(options);
        VirtualCamera second(options);  // runs without a channel
        EXPECT_TRUE(qlvctl::exchangeLine(name, "unplug", 5s).answered);
        EXPECT_FALSE(first.plugged());
        EXPECT_TRUE(second.plugged());
    }
    EXPECT_FALSE(qlvctl::exchangeLine(name, "status", 1s).answered);
    VirtualCamera again(options);
    EXPECT_TRUE(qlvctl::exchangeLine(name, "status", 5s).answered);
}

}  // namespace
}  // namespace vcam::test
