// CPU time of this process's threads, by thread name, from /proc/self/task/*/stat.
#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace bench {

struct ThreadCpu {
    std::string name;
    double milliseconds = 0;       // utime + stime from /proc, counted in clock ticks (10 ms)
    double clockMilliseconds = 0;  // the thread's CPU clock, to the nanosecond
};

// The threads whose name starts with `prefix` (or with one of `prefixes`), by thread id; a thread
// that ended before the sample is not counted.
std::map<pid_t, ThreadCpu> threadsNamed(std::string_view prefix);
std::map<pid_t, ThreadCpu> threadsNamed(std::initializer_list<std::string_view> prefixes);

struct CpuUse {
    double milliseconds = 0;
    double clockMilliseconds = 0;
};

// CPU used by each thread between two samples (threads that appeared count from zero), summed by
// name.
std::map<std::string, CpuUse> cpuBetween(const std::map<pid_t, ThreadCpu>& before,
                                         const std::map<pid_t, ThreadCpu>& after);

// The milliseconds (from /proc) of all names together.
double totalMilliseconds(const std::map<std::string, CpuUse>& byName);

}  // namespace bench
