#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace qlvctl::testing {
namespace {

// Through the system call: glibc's <sys/pidfd.h> lacks C linkage for C++ callers.
int openPidFd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

using Clock = std::chrono::steady_clock;

std::vector<std::string> childEnvironment(const EnvironmentChanges& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        const std::string name(text.substr(0, text.find('=')));
        if (!changes.contains(name)) {
            entries.emplace_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            entries.push_back(name + "=" + *value);
        }
    }
    return entries;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> list;
    for (auto& text : strings) {
        list.push_back(text.data());
    }
    list.push_back(nullptr);
    return list;
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Reads what is there; closes the descriptor at end of file.
void drain(int& fd, std::string& into) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            into.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0) {
            closeFd(fd);
        }
        return;  // EAGAIN: nothing more for now
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const EnvironmentChanges& changes) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    if (::pipe2(errPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);

    std::vector<std::string> argv = arguments;
    std::vector<std::string> envp = childEnvironment(changes);
    auto argvPointers = pointers(argv);
    auto envpPointers = pointers(envp);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv.front().c_str(), &actions, nullptr, argvPointers.data(),
                    envpPointers.data()) == 0) {
        pid_ = pid;
        pidFd_ = openPidFd(pid);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

ChildProcess::~ChildProcess() {
    kill();
    closeFd(outFd_);
    closeFd(errFd_);
    closeFd(pidFd_);
}

bool ChildProcess::pump(std::chrono::milliseconds limit) {
    if (outFd_ < 0 && errFd_ < 0) {
        return false;
    }
    pollfd entries[2];
    nfds_t count = 0;
    for (const int fd : {outFd_, errFd_}) {
        if (fd >= 0) {
            entries[count++] = {fd, POLLIN, 0};
        }
    }
    const int ready = ::poll(entries, count, static_cast<int>(limit.count()));
    if (ready > 0) {
        if (outFd_ >= 0) {
            drain(outFd_, out_);
        }
        if (errFd_ >= 0) {
            drain(errFd_, err_);
        }
    }
    return outFd_ >= 0 || errFd_ >= 0;
}

bool ChildProcess::waitForOutput(std::string_view text, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (out_.find(text) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !pump(left)) {
            return out_.find(text) != std::string::npos;
        }
    }
    return true;
}

std::optional<Finished> ChildProcess::finish(std::chrono::milliseconds limit) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + limit;
    // The outputs close when the child ends (it hands them to nobody else).
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            kill();
            return std::nullopt;
        }
        if (!pump(left)) {
            break;
        }
    }
    // Closed outputs mean the child is ending; its exit is awaited on its pidfd.
    pollfd exitEntry{pidFd_, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (pidFd_ < 0 ||
        ::poll(&exitEntry, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) {
        kill();
        return std::nullopt;
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return Finished{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out_, err_};
}

void ChildProcess::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

std::optional<Finished> run(const std::vector<std::string>& arguments,
                            const EnvironmentChanges& changes, std::chrono::milliseconds limit) {
    ChildProcess child(arguments, changes);
    return child.finish(limit);
}

}  // namespace qlvctl::testing
