// The desk's remote control: a Unix stream socket that takes one text command per line and
// answers one line per command. Its thread sleeps in poll() and costs nothing while idle.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace vcam {

class ControlServer {
public:
    using Handler = std::function<std::string(const std::string& line)>;

    // Listens at `path`, replacing a stale socket left by a crashed run (never a live one or any
    // other kind of file). nullptr with `error` set when it cannot.
    static std::unique_ptr<ControlServer> start(const std::string& path, Handler handler,
                                                std::string& error);
    ~ControlServer();  // ends the thread promptly and removes the socket
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Lines longer than this are answered with an error and skipped.
    static constexpr std::size_t kMaxLineLength = 1024;

    std::chrono::nanoseconds cpuTime() const;

private:
#ifdef _WIN32
    // On Windows the path names a pipe (see controlPipeName); clients are served one at a time.
    ControlServer(std::string path, void* pipe, void* stop, Handler handler);
    void run();

    std::string path_;
    void* pipe_;  // the named pipe's one instance
    void* stop_;  // event: set once to end the thread
#else
    ControlServer(std::string path, int listener, int wake, Handler handler);
    void run();

    std::string path_;
    int listener_;
    int wake_;  // eventfd: written once to end the thread
#endif
    Handler handler_;
    std::atomic<std::int64_t> cpuNanoseconds_{0};
    std::thread thread_;
};

}  // namespace vcam
