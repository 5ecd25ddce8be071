// The tool's commands. Each takes the words after its name and returns the process exit code.
#pragma once

#include <span>
#include <string_view>

namespace qlvctl {

// Exit codes shared by every command.
inline constexpr int exitOk = 0;
inline constexpr int exitFailed = 1;    // a request failed, or streaming ended early
inline constexpr int exitNoCamera = 2;  // no camera within a second, or no virtual camera to reach
inline constexpr int exitUsage = 64;    // the command line is wrong (EX_USAGE)

using Arguments = std::span<const std::string_view>;

int runStatus(Arguments arguments);
int runList(Arguments arguments);
int runStream(Arguments arguments);
int runVirtual(Arguments arguments);
int runGrab(Arguments arguments);
int runSet(Arguments arguments);
int runSerial(Arguments arguments);
int runEeprom(Arguments arguments);
int runRgb(Arguments arguments);
int runShipment(Arguments arguments);

// Prints the usage text to stdout (asked for) or stderr (after a mistake) and returns the exit
// code that goes with it.
int showUsage(bool asked);

inline bool isHelp(std::string_view word) {
    return word == "--help" || word == "-h";
}

// Reports a wrong command line on stderr and returns exitUsage.
int usageError(std::string_view command, std::string_view problem);

}  // namespace qlvctl
