// A tiny client of the virtual camera's control socket: one line out, one line back.
#pragma once

#include <chrono>
#include <string>

namespace qlvctl {

struct ControlExchange {
    bool answered = false;  // false: the socket could not be reached or gave no reply
    std::string reply;      // the reply line, without its line end
    std::string problem;    // why there is no reply
};

// Connects to the Unix stream socket at `path`, sends `line` and reads one reply line. Connecting
// and the whole exchange are each bounded by `timeout`.
ControlExchange exchangeLine(const std::string& path, const std::string& line,
                             std::chrono::milliseconds timeout);

}  // namespace qlvctl
