#include "thread_cpu.h"

#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace bench {
namespace {

// The name sits in parentheses and may itself hold spaces or parentheses, so the fields are
// counted from the last ')'. utime and stime are fields 14 and 15.
bool parseStat(const std::string& stat, ThreadCpu& out) {
    const auto open = stat.find('(');
    const auto close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return false;
    }
    out.name = stat.substr(open + 1, close - open - 1);
    std::istringstream fields(stat.substr(close + 1));
    std::string skipped;
    for (int field = 3; field < 14; ++field) {
        fields >> skipped;
    }
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!(fields >> user >> system)) {
        return false;
    }
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    out.milliseconds = static_cast<double>(user + system) * 1000.0 / ticksPerSecond;
    return true;
}

// The CPU clock of any thread of this process, by thread id: the clock id that
// pthread_getcpuclockid builds (the kernel's per-thread scheduler clock).
double threadClockMilliseconds(pid_t tid) {
    const auto clock = static_cast<clockid_t>((~tid << 3) | 6);
    timespec now{};
    if (clock_gettime(clock, &now) != 0) {
        return 0;
    }
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

std::map<pid_t, ThreadCpu> threadsNamed(std::string_view prefix) {
    return threadsNamed({prefix});
}

std::map<pid_t, ThreadCpu> threadsNamed(std::initializer_list<std::string_view> prefixes) {
    std::map<pid_t, ThreadCpu> threads;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream file(entry.path() / "stat");
        std::string stat;
        std::getline(file, stat);
        ThreadCpu thread;
        if (!parseStat(stat, thread)) {
            continue;
        }
        bool wanted = false;
        for (const std::string_view prefix : prefixes) {
            wanted = wanted || thread.name.starts_with(prefix);
        }
        if (wanted) {
            const auto tid = static_cast<pid_t>(std::stol(entry.path().filename().string()));
            thread.clockMilliseconds = threadClockMilliseconds(tid);
            threads[tid] = thread;
        }
    }
    return threads;
}

std::map<std::string, CpuUse> cpuBetween(const std::map<pid_t, ThreadCpu>& before,
                                         const std::map<pid_t, ThreadCpu>& after) {
    std::map<std::string, CpuUse> byName;
    for (const auto& [tid, thread] : after) {
        const auto earlier = before.find(tid);
        const ThreadCpu start = earlier == before.end() ? ThreadCpu{} : earlier->second;
        CpuUse& use = byName[thread.name];
        use.milliseconds += thread.milliseconds - start.milliseconds;
        use.clockMilliseconds += thread.clockMilliseconds - start.clockMilliseconds;
    }
    return byName;
}

double totalMilliseconds(const std::map<std::string, CpuUse>& byName) {
    double sum = 0;
    for (const auto& [name, use] : byName) {
        sum += use.milliseconds;
    }
    return sum;
}

}  // namespace bench
