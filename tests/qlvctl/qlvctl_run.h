// Shared helpers of the qlvctl tests: the built binary, a clean camera environment, and reading
// figures out of its report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace qlvctl::testing {

// The qlvctl binary followed by `words`.
std::vector<std::string> qlvctl(std::vector<std::string> words);

// The test's environment without any camera selection or virtual-camera setting, plus `extra`.
EnvironmentChanges cameraEnvironment(EnvironmentChanges extra = {});

// The number after `label` in a "label   number" report line, if there is one.
std::optional<std::uint64_t> reportedCount(const std::string& report, const std::string& label);

}  // namespace qlvctl::testing
