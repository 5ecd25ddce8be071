// The desk's line commands, in process and through the control socket, and options from the
// environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "camera_test_support.h"

namespace vcam::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Commands, DeskControlsChangeTheCamera) {
    VirtualCamera camera(quickCamera());
    EXPECT_EQ(camera.command("mode 3"), "ok");
    EXPECT_EQ(camera.command("freeze 1"), "ok");
    EXPECT_EQ(camera.command("  lines\t512 "), "ok");
    EXPECT_EQ(camera.status(), (std::array<std::uint8_t, 5>{3, 0, 1, 0, 0}));
    EXPECT_LE(requestIn(camera, 0x14, 0, 0x58, 1).value().at(0), 15);

    EXPECT_EQ(camera.command("unplug"), "ok");
    EXPECT_FALSE(camera.plugged());
    EXPECT_EQ(camera.command("status").rfind("plugged=0 mode=3 ", 0), 0u)
        << camera.command("status");
    EXPECT_EQ(camera.command("plug"), "ok");
    EXPECT_TRUE(camera.plugged());
}

TEST(Commands, StreamCommandsReachThePipe) {
    VirtualCamera camera(quickCamera());
    Bytes buffer(bytesAskedFor(614'400));
    EXPECT_EQ(camera.command("fps 25"), "ok");
    EXPECT_NE(camera.command("status").find(" fps=25 "), std::string::npos);
    EXPECT_EQ(camera.command("fps max"), "ok");
    EXPECT_EQ(camera.command("short-frame"), "ok");
    EXPECT_EQ(readFrame(camera, buffer), 614'399u);
    EXPECT_EQ(camera.command("long-frame"), "ok");
    EXPECT_EQ(readFrame(camera, buffer), 614'401u);
    EXPECT_EQ(camera.command("zero-frame"), "ok");
    EXPECT_EQ(readFrame(camera, buffer), 0u);
    EXPECT_EQ(camera.command("stall 600000"), "ok");
    EXPECT_EQ(readFrame(camera, buffer, std::chrono::milliseconds(20)), 0u);
    EXPECT_NE(camera.command("help").find("stall <ms>"), std::string::npos);
}

TEST(Commands, MainsSetsTheRoomsLights) {
    VirtualCamera camera(quickCamera());
    EXPECT_EQ(camera.mainsHz(), 50);
    EXPECT_NE(camera.command("status").find(" mains=50"), std::string::npos);
    EXPECT_EQ(camera.command("mains 60"), "ok");
    EXPECT_EQ(camera.mainsHz(), 60);
    EXPECT_NE(camera.command("status").find(" mains=60"), std::string::npos);
    EXPECT_NE(camera.command("help").find("mains 50|60"), std::string::npos);

    Options options = quickCamera();
    options.mainsHz = 60;
    EXPECT_EQ(VirtualCamera(options).mainsHz(), 60);
    options.mainsHz = 55;
    EXPECT_EQ(VirtualCamera(options).mainsHz(), 50) << "lights run on 50 or 60 Hz";
}

class BadCommand : public ::testing::TestWithParam<std::string> {};

TEST_P(BadCommand, IsRefusedAndChangesNothing) {
    VirtualCamera camera(quickCamera());
    const std::string before = camera.command("status");
    const std::string reply = camera.command(GetParam());
    EXPECT_EQ(reply.rfind("error: ", 0), 0u) << reply;
    EXPECT_EQ(reply.find('\n'), std::string::npos);
    EXPECT_EQ(camera.command("status"), before);
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadCommand,
                         ::testing::Values("", "   ", "bogus", "FREEZE 1", "freeze", "freeze 2",
                                           "freeze 1 1", "freeze 01x", "mode 0", "mode 4",
                                           "mode +2", "mode 2.0", "lines 500", "stall -1",
                                           "stall 99999999999999999999999", "stall 600001",
                                           "fps -1", "fps abc", "fps nan", "fps inf", "fps 1e3",
                                           "fps 10001", "mains", "mains 55", "mains 60 Hz",
                                           "mains 050", "unplug now", "status please",
                                           std::string("mode\0 2", 7), "mode 2\x01", "\xff\xfe",
                                           std::string(5000, 'x')));

// A client of the control socket that sends text and reads reply lines.
class SocketClient {
public:
    explicit SocketClient(const std::string& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        connected_ =
            ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        timeval limit{10, 0};  // a reply that never comes fails the test instead of hanging it
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    }
    ~SocketClient() { ::close(fd_); }
    bool connected() const { return connected_; }

    void send(const std::string& text) {
        ASSERT_EQ(::send(fd_, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    void finishSending() { ::shutdown(fd_, SHUT_WR); }

    // The next reply line, or "" when the connection ends first.
    std::string line() {
        while (pending_.find('\n') == std::string::npos) {
            char bytes[4096];
            const ssize_t count = ::recv(fd_, bytes, sizeof(bytes), 0);
            if (count <= 0) {
                return "";
            }
            pending_.append(bytes, static_cast<std::size_t>(count));
        }
        const std::size_t end = pending_.find('\n');
        std::string result = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return result;
    }

private:
    int fd_;
    bool connected_ = false;
    std::string pending_;
};

class ControlSocket : public ::testing::Test {
protected:
    Options withSocket() {
        Options options = quickCamera();
        options.controlSocket = socketPath;
        return options;
    }

    TemporaryFolder folder;
    std::string socketPath = (folder.path() / "camera.sock").string();
};

TEST_F(ControlSocket, AnswersEachLineInOrder) {
    VirtualCamera camera(withSocket());
    SocketClient client(socketPath);
    ASSERT_TRUE(client.connected());
    client.send("mode 2\nfreeze 1\r\nnonsense\nsta");
    client.send("tus\n");
    EXPECT_EQ(client.line(), "ok");
    EXPECT_EQ(client.line(), "ok");
    EXPECT_EQ(client.line().rfind("error: ", 0), 0u);
    EXPECT_EQ(client.line().rfind("plugged=1 mode=2 resolution=0 freeze=1 ", 0), 0u);
    EXPECT_EQ(camera.status()[0], 2);
}

TEST_F(ControlSocket, SurvivesOverlongAndBinaryLines) {
    VirtualCamera camera(withSocket());
    SocketClient client(socketPath);
    ASSERT_TRUE(client.connected());
    std::string junk(100'000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>(i * 7 % 251 + 1);
    }
    std::erase(junk, '\n');
    client.send(junk + "\n" + "\x80\x81\n" + "mode 3\n");
    EXPECT_EQ(client.line(), "error: line too long") << "one reply for the whole long line";
    EXPECT_EQ(client.line().rfind("error: ", 0), 0u);
    EXPECT_EQ(client.line(), "ok");
    EXPECT_EQ(camera.status()[0], 3);
}

TEST_F(ControlSocket, ServesSeveralClientsAndALastLineWithoutNewline) {
    VirtualCamera camera(withSocket());
    SocketClient first(socketPath);
    SocketClient second(socketPath);
    second.send("mode 2\n");
    EXPECT_EQ(second.line(), "ok");
    first.send("unplug");
    first.finishSending();
    EXPECT_EQ(first.line(), "ok");
    EXPECT_EQ(first.line(), "") << "the server closes a client that has finished";
    EXPECT_FALSE(camera.plugged());
}

TEST_F(ControlSocket, IdleClientsNeverLockTheNextOneOut) {
    VirtualCamera camera(withSocket());
    std::vector<std::unique_ptr<SocketClient>> idle;
    for (int i = 0; i < 20; ++i) {
        idle.push_back(std::make_unique<SocketClient>(socketPath));
        ASSERT_TRUE(idle.back()->connected());
    }
    SocketClient next(socketPath);
    next.send("mode 2\n");
    EXPECT_EQ(next.line(), "ok");
}

TEST_F(ControlSocket, ReplacesAStaleSocketAndRemovesItsOwn) {
    {
        // A socket file left by a process that died without cleaning up.
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
        ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ::close(stale);
    }
    {
        VirtualCamera camera(withSocket());
        SocketClient client(socketPath);
        ASSERT_TRUE(client.connected());
        client.send("plug\n");
        EXPECT_EQ(client.line(), "ok");

        VirtualCamera intruder(withSocket());  // must not steal a live socket
        SocketClient again(socketPath);
        again.send("mode 3\n");
        EXPECT_EQ(again.line(), "ok");
        EXPECT_EQ(camera.status()[0], 3);
        EXPECT_EQ(intruder.status()[0], 1);
    }
    EXPECT_FALSE(std::filesystem::exists(socketPath));
}

TEST_F(ControlSocket, NeverDeletesAFileThatIsNotASocket) {
    std::ofstream(socketPath) << "keep me";
    {
        VirtualCamera camera(withSocket());
        EXPECT_TRUE(camera.plugged()) << "the camera works without its socket";
    }
    std::ifstream kept(socketPath);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "keep me");
}

// Sets environment variables for one test and restores them after.
class Environment : public ::testing::Test {
protected:
    void TearDown() override {
        for (const char* name :
             {"QLV_VIRTUAL_CAMERA_FPS", "QLV_VIRTUAL_CAMERA_EEPROM", "QLV_VIRTUAL_CAMERA_CONTROL",
              "QLV_VIRTUAL_CAMERA_LINES", "QLV_VIRTUAL_CAMERA_MAINS"}) {
            ::unsetenv(name);
        }
    }
};

TEST_F(Environment, OptionsComeFromTheVariables) {
    ::setenv("QLV_VIRTUAL_CAMERA_FPS", "12.5", 1);
    ::setenv("QLV_VIRTUAL_CAMERA_EEPROM", "/tmp/e.bin", 1);
    ::setenv("QLV_VIRTUAL_CAMERA_CONTROL", "/tmp/c.sock", 1);
    ::setenv("QLV_VIRTUAL_CAMERA_LINES", "512", 1);
    ::setenv("QLV_VIRTUAL_CAMERA_MAINS", "60", 1);
    const Options options = Options::fromEnvironment();
    EXPECT_EQ(options.framesPerSecond, 12.5);
    EXPECT_EQ(options.eepromFile, "/tmp/e.bin");
    EXPECT_EQ(options.controlSocket, "/tmp/c.sock");
    EXPECT_FALSE(options.lines480);
    EXPECT_EQ(options.mainsHz, 60);

    ::setenv("QLV_VIRTUAL_CAMERA_FPS", "max", 1);
    EXPECT_LT(Options::fromEnvironment().framesPerSecond, 0);

    // Bad values leave the defaults.
    ::setenv("QLV_VIRTUAL_CAMERA_FPS", "fast", 1);
    ::setenv("QLV_VIRTUAL_CAMERA_LINES", "500", 1);
    ::setenv("QLV_VIRTUAL_CAMERA_MAINS", "55", 1);
    EXPECT_EQ(Options::fromEnvironment().framesPerSecond, 0);
    EXPECT_TRUE(Options::fromEnvironment().lines480);
    EXPECT_EQ(Options::fromEnvironment().mainsHz, 50);
}

}  // namespace
}  // namespace vcam::test
