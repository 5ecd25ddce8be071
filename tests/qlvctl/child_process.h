// Runs a program as a user would and watches its output and exit, bounded by deadlines.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlvctl::testing {

// Changes to the test's own environment for a child: a value sets the variable, nullopt removes
// it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

struct Finished {
    int exitCode = -1;  // -1 when the child was killed by a signal
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& arguments, const EnvironmentChanges& changes);
    // Kills a child that is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }

    // Reads output until stdout holds `text`. False when the child ends or `limit` passes first.
    bool waitForOutput(std::string_view text, std::chrono::milliseconds limit);

    // Waits for the child to end and reads the rest of its output. Nullopt when it is still
    // running after `limit` (it is then killed).
    std::optional<Finished> finish(std::chrono::milliseconds limit);

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    // Reads whatever is available within `limit`; false once both outputs are closed.
    bool pump(std::chrono::milliseconds limit);
    void kill();

    pid_t pid_ = -1;
    int pidFd_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

// Runs to completion; nullopt when it does not end within `limit`.
std::optional<Finished> run(const std::vector<std::string>& arguments,
                            const EnvironmentChanges& changes,
                            std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace qlvctl::testing
