#include "control_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "cpu_time.h"
#include "thread_name.h"

namespace vcam {
namespace {

constexpr std::size_t kMaxClients = 16;
// Clients that send nothing for this long are dropped; when all places are taken a newcomer takes
// the place of the one idle longest, so stuck clients never lock the next one out.
constexpr std::chrono::seconds kIdleLimit{5};
// A client that stops reading its replies is not read from until it catches up.
constexpr std::size_t kMaxPendingOutput = 64 * 1024;

struct Client {
    int fd = -1;
    std::chrono::steady_clock::time_point lastHeard;
    std::string in;
    std::string out;
    bool discarding = false;  // inside a line that was too long
    bool closing = false;     // the peer has finished sending
    bool dead = false;
};

bool socketAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when something answers at the path: a camera of another process owns it.
bool someoneListens(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool answered =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(probe);
    return answered;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<ControlServer> ControlServer::start(const std::string& path, Handler handler,
                                                    std::string& error) {
    sockaddr_un address{};
    if (!socketAddress(path, address)) {
        error = "socket path is empty or too long";
        return nullptr;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = "path exists and is not a socket";
            return nullptr;
        }
        if (someoneListens(address)) {
            error = "socket is in use by another camera";
            return nullptr;
        }
        ::unlink(path.c_str());  // left behind by a run that did not end cleanly
    }
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) {
        error = systemError("socket");
        return nullptr;
    }
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener, 8) != 0) {
        error = systemError("bind");
        ::close(listener);
        return nullptr;
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC);
    if (wake < 0) {
        error = systemError("eventfd");
        ::close(listener);
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<ControlServer>(
        new ControlServer(path, listener, wake, std::move(handler)));
}

ControlServer::ControlServer(std::string path, int listener, int wake, Handler handler)
    : path_(std::move(path)), listener_(listener), wake_(wake), handler_(std::move(handler)) {
    thread_ = std::thread([this] { run(); });
}

ControlServer::~ControlServer() {
    const std::uint64_t one = 1;
    // An eventfd write fails only near counter overflow, which a single write cannot reach.
    [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof(one));
    thread_.join();
    ::close(listener_);
    ::close(wake_);
    ::unlink(path_.c_str());
}

std::chrono::nanoseconds ControlServer::cpuTime() const {
    return std::chrono::nanoseconds(cpuNanoseconds_.load());
}

void ControlServer::run() {
    nameThisThread("vcam-control");
    std::vector<Client> clients;
    std::vector<pollfd> fds;

    const auto answer = [this](Client& client, std::string line) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        client.out += handler_(line);
        client.out += '\n';
    };
    const auto consume = [&](Client& client, const char* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const char c = bytes[i];
            if (client.discarding) {
                client.discarding = c != '\n';
            } else if (c == '\n') {
                answer(client, std::move(client.in));
                client.in.clear();
            } else if (client.in.size() == kMaxLineLength) {
                client.out += "error: line too long\n";
                client.in.clear();
                client.discarding = true;
            } else {
                client.in.push_back(c);
            }
        }
    };
    const auto receive = [&](Client& client) {
        char bytes[4096];
        const ssize_t count = ::recv(client.fd, bytes, sizeof(bytes), 0);
        client.lastHeard = std::chrono::steady_clock::now();
        if (count > 0) {
            consume(client, bytes, static_cast<std::size_t>(count));
        } else if (count == 0) {
            // The peer is done sending; a last line without its newline still counts.
            if (!client.discarding && !client.in.empty()) {
                answer(client, std::move(client.in));
                client.in.clear();
            }
            client.closing = true;
        } else if (errno != EAGAIN && errno != EINTR) {
            client.dead = true;
        }
    };
    const auto flush = [](Client& client) {
        const ssize_t sent =
            ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            client.out.erase(0, static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno != EAGAIN && errno != EINTR) {
            client.dead = true;
        }
    };

    while (true) {
        cpuNanoseconds_ = threadCpuTime().count();
        fds.clear();
        fds.push_back({wake_, POLLIN, 0});
        fds.push_back({listener_, POLLIN, 0});
        for (const Client& client : clients) {
            short events = 0;
            if (!client.closing && client.out.size() < kMaxPendingOutput) {
                events |= POLLIN;
            }
            if (!client.out.empty()) {
                events |= POLLOUT;
            }
            fds.push_back({client.fd, events, 0});
        }
        // Asleep until something happens or the quietest client's time runs out.
        int timeout = -1;
        for (const Client& client : clients) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                client.lastHeard + kIdleLimit - std::chrono::steady_clock::now());
            const int leftMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            timeout = timeout < 0 ? leftMs : std::min(timeout, leftMs);
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        for (std::size_t i = 0; i < clients.size(); ++i) {
            Client& client = clients[i];
            const short events = fds[i + 2].revents;
            if ((events & POLLIN) != 0) {
                receive(client);
            } else if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                client.dead = true;
            }
            if (!client.dead && !client.out.empty()) {
                flush(client);
            }
            if (client.closing && client.out.empty()) {
                client.dead = true;
            }
            if (std::chrono::steady_clock::now() - client.lastHeard >= kIdleLimit) {
                client.dead = true;
            }
        }
        std::erase_if(clients, [](const Client& client) {
            if (client.dead) {
                ::close(client.fd);
            }
            return client.dead;
        });
        if ((fds[1].revents & POLLIN) != 0) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
                if (clients.size() == kMaxClients) {
                    const auto quietest = std::min_element(
                        clients.begin(), clients.end(),
                        [](const Client& a, const Client& b) { return a.lastHeard < b.lastHeard; });
                    ::close(quietest->fd);
                    clients.erase(quietest);
                }
                Client client;
                client.fd = fd;
                client.lastHeard = std::chrono::steady_clock::now();
                clients.push_back(std::move(client));
            }
        }
    }
    for (const Client& client : clients) {
        ::close(client.fd);
    }
}

}  // namespace vcam
