#include "control_client.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qlvctl {
namespace {

using Clock = std::chrono::steady_clock;

class Socket {
public:
    Socket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

ControlExchange failure(std::string problem) {
    return {false, {}, std::move(problem)};
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

int millisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false on timeout or error.
bool await(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, millisecondsUntil(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

}  // namespace

ControlExchange exchangeLine(const std::string& path, const std::string& line,
                             std::chrono::milliseconds timeout) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        return failure("the socket path is longer than " +
                       std::to_string(sizeof(address.sun_path) - 1) + " characters");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const Socket socket;
    if (socket.fd() < 0) {
        return failure(systemError("cannot make a socket"));
    }
    // A full listen backlog makes connect wait; the send timeout bounds that wait.
    const timeval limit{static_cast<time_t>(timeout.count() / 1000),
                        static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return failure(systemError("cannot connect"));
    }

    const auto deadline = Clock::now() + timeout;
    const std::string request = line + "\n";
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n =
            ::send(socket.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failure(systemError("cannot send the command"));
        }
        sent += static_cast<std::size_t>(n);
    }

    std::string received;
    for (;;) {
        const auto end = received.find('\n');
        if (end != std::string::npos) {
            received.resize(end);
            break;
        }
        if (!await(socket.fd(), POLLIN, deadline)) {
            return failure("no reply within " + std::to_string(timeout.count()) + " ms");
        }
        char chunk[256];
        const ssize_t n = ::recv(socket.fd(), chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failure(systemError("cannot read the reply"));
        }
        if (n == 0) {
            if (received.empty()) {
                return failure("the camera closed the connection without replying");
            }
            break;  // a last line without its line end
        }
        received.append(chunk, static_cast<std::size_t>(n));
    }
    if (!received.empty() && received.back() == '\r') {
        received.pop_back();
    }
    return {true, std::move(received), {}};
}

}  // namespace qlvctl
