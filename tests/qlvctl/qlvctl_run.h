// Shared helpers of the qlvctl tests: the built binary, a clean camera environment, and reading
// figures out of its report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace qlvctl::testing {

// The qlvctl binary followed by `words`.
std::vector<std::string> qlvctl(std::vector<std::string> words);

// The test's environment without any camera selection or virtual-camera setting, plus `extra`.
EnvironmentChanges cameraEnvironment(EnvironmentChanges extra = {});

// A private folder, removed with everything in it afterwards. Empty path when it could not be made.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The virtual camera, keeping its EEPROM in `eepromFile` (its factory contents when the file does
// not exist yet), plus `extra`.
EnvironmentChanges virtualCameraEnvironment(const std::filesystem::path& eepromFile,
                                            EnvironmentChanges extra = {});

// The number after `label` in a "label   number" report line, if there is one.
std::optional<std::uint64_t> reportedCount(const std::string& report, const std::string& label);

}  // namespace qlvctl::testing
