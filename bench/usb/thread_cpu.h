// CPU time of this process's threads, summed by the prefix of their names.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace usbbench {

// Milliseconds of CPU (user + system) per thread name, over the threads whose name starts with
// one of `prefixes`; a thread that ended before the sample is not counted.
std::map<std::string, double> cpuByThreadName(const std::vector<std::string>& prefixes);

// after - before, per name (names that appeared count from zero).
std::map<std::string, double> difference(const std::map<std::string, double>& before,
                                         const std::map<std::string, double>& after);

double total(const std::map<std::string, double>& byName);

}  // namespace usbbench
