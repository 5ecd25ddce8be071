// qlvctl virtual against a camera that runs in another qlvctl process, as a developer uses it.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qlvctl_run.h"

namespace qlvctl::testing {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

class QlvctlVirtualTest : public ::testing::Test {
protected:
    std::optional<Finished> virtualCommand(std::vector<std::string> words) {
        words.insert(words.begin(), "virtual");
        return run(qlvctl(words), cameraEnvironment({{"QLV_VIRTUAL_CAMERA_CONTROL", socket_}}));
    }

    TemporaryFolder folder_;
    const std::string socket_ = (folder_.path() / "control").string();
};

// A stream in its own process, with the virtual camera listening on the control socket.
class QlvctlRunningCameraTest : public QlvctlVirtualTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        stream_.emplace(qlvctl({"stream", "--seconds", "3"}),
                        cameraEnvironment(
                            {{"QLV_CAMERA", "virtual"}, {"QLV_VIRTUAL_CAMERA_CONTROL", socket_}}));
        ASSERT_TRUE(stream_->started());
        ASSERT_TRUE(stream_->waitForOutput("streaming", std::chrono::seconds(10)))
            << stream_->out() << stream_->err();
        // The camera opens its socket when it is made, before the stream starts; the short wait
        // only covers a camera that starts listening a moment later.
        for (int attempt = 0; attempt < 200 && !fs::is_socket(socket_); ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(fs::is_socket(socket_));
    }

    std::optional<ChildProcess> stream_;
};

TEST_F(QlvctlRunningCameraTest, FreezeIsAcknowledgedAndTheStreamRunsItsCourse) {
    const auto freeze = virtualCommand({"freeze", "1"});
    ASSERT_TRUE(freeze);
    EXPECT_EQ(freeze->exitCode, 0) << freeze->err;
    EXPECT_EQ(freeze->out, "ok\n");

    const auto status = virtualCommand({"status"});
    ASSERT_TRUE(status);
    EXPECT_EQ(status->exitCode, 0) << status->err;
    EXPECT_NE(status->out, "") << "a status line is an answer";

    const auto ended = stream_->finish(std::chrono::seconds(20));
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->exitCode, 0) << ended->err;
}

TEST_F(QlvctlRunningCameraTest, RefusedCommandExits1WithTheCamerasError) {
    const auto refused = virtualCommand({"mode", "9"});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->exitCode, 1);
    EXPECT_THAT(refused->err, HasSubstr("error"));
}

TEST_F(QlvctlRunningCameraTest, UnplugEndsTheStreamWithExit1) {
    const auto unplug = virtualCommand({"unplug"});
    ASSERT_TRUE(unplug);
    EXPECT_EQ(unplug->exitCode, 0) << unplug->err;
    EXPECT_EQ(unplug->out, "ok\n");

    const auto ended = stream_->finish(std::chrono::seconds(20));
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->exitCode, 1);
    EXPECT_THAT(ended->err, HasSubstr("unplugged"));
    EXPECT_TRUE(reportedCount(ended->out, "frames received")) << "the report still comes";
}

TEST_F(QlvctlVirtualTest, MissingSocketExits2NamingThePath) {
    const auto result = virtualCommand({"status"});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr(socket_));
    EXPECT_THAT(result->err, HasSubstr("QLV_VIRTUAL_CAMERA_CONTROL"));
}

TEST_F(QlvctlVirtualTest, ControlCharactersInAnArgumentAreAUsageError) {
    for (const std::string argument : {"1\nunplug", "1\runplug", "1\tx", "\x7f"}) {
        const auto result = virtualCommand({"freeze", argument});
        ASSERT_TRUE(result);
        EXPECT_EQ(result->exitCode, 64);
        EXPECT_THAT(result->err, HasSubstr("control characters"));
    }
}

TEST_F(QlvctlVirtualTest, UnsetSocketVariableExits2) {
    const auto result = run(qlvctl({"virtual", "status"}), cameraEnvironment());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr("QLV_VIRTUAL_CAMERA_CONTROL"));
}

TEST_F(QlvctlVirtualTest, SilentCameraTimesOutWithExit2) {
    // Something listens but never answers: the command must give up by itself.
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_.size(), sizeof address.sun_path);
    socket_.copy(address.sun_path, socket_.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    const auto result = virtualCommand({"status"});
    ::close(listener);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, 2);
    EXPECT_THAT(result->err, HasSubstr("no reply"));
}

}  // namespace
}  // namespace qlvctl::testing
