#include "thread_cpu.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace usbbench {

std::map<std::string, double> cpuByThreadName(const std::vector<std::string>& prefixes) {
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::map<std::string, double> byName;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream file(task.path() / "stat");
        std::string stat;
        std::getline(file, stat);
        // The name is in parentheses and may hold anything; fields are counted after the last ')'.
        const auto open = stat.find('(');
        const auto close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            continue;
        }
        const std::string name = stat.substr(open + 1, close - open - 1);
        bool wanted = false;
        for (const auto& prefix : prefixes) {
            wanted = wanted || name.rfind(prefix, 0) == 0;
        }
        if (!wanted) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 1));
        std::string skipped;
        for (int field = 3; field < 14; ++field) {
            fields >> skipped;
        }
        unsigned long long user = 0;
        unsigned long long system = 0;
        if (fields >> user >> system) {
            byName[name] += static_cast<double>(user + system) * 1000.0 / ticksPerSecond;
        }
    }
    return byName;
}

std::map<std::string, double> difference(const std::map<std::string, double>& before,
                                         const std::map<std::string, double>& after) {
    std::map<std::string, double> spent;
    for (const auto& [name, ms] : after) {
        const auto earlier = before.find(name);
        spent[name] = ms - (earlier == before.end() ? 0.0 : earlier->second);
    }
    return spent;
}

double total(const std::map<std::string, double>& byName) {
    double sum = 0;
    for (const auto& [name, ms] : byName) {
        sum += ms;
    }
    return sum;
}

}  // namespace usbbench
