#include "qlvctl_run.h"

#include <stdlib.h>

#include <cstdlib>
#include <regex>

namespace qlvctl::testing {

std::vector<std::string> qlvctl(std::vector<std::string> words) {
    words.insert(words.begin(), QLVCTL_PATH);
    return words;
}

EnvironmentChanges cameraEnvironment(EnvironmentChanges extra) {
    EnvironmentChanges changes{
        {"QLV_CAMERA", std::nullopt},
        {"QLV_VIRTUAL_CAMERA_CONTROL", std::nullopt},
        {"QLV_VIRTUAL_CAMERA_FPS", std::nullopt},
        {"QLV_VIRTUAL_CAMERA_EEPROM", std::nullopt},
        {"QLV_VIRTUAL_CAMERA_LINES", std::nullopt},
    };
    // Under ThreadSanitizer the tool's consumer would be reported for the ring's by-time hand-off.
    const char* sanitizerOptions = std::getenv("TSAN_OPTIONS");
    changes["TSAN_OPTIONS"] = std::string(sanitizerOptions != nullptr ? sanitizerOptions : "") +
                              ":suppressions=" QLVCTL_TSAN_SUPPRESSIONS;
    for (auto& [name, value] : extra) {
        changes[name] = value;
    }
    return changes;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qlvctl-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ignored);
    }
}

EnvironmentChanges virtualCameraEnvironment(const std::filesystem::path& eepromFile,
                                            EnvironmentChanges extra) {
    extra["QLV_CAMERA"] = "virtual";
    extra["QLV_VIRTUAL_CAMERA_EEPROM"] = eepromFile.string();
    return cameraEnvironment(std::move(extra));
}

std::optional<std::uint64_t> reportedCount(const std::string& report, const std::string& label) {
    const std::regex line("(^|\\n)" + label + "[ \\t]+([0-9]+)(\\n|$)");
    std::smatch match;
    if (!std::regex_search(report, match, line)) {
        return std::nullopt;
    }
    return std::stoull(match[2].str());
}

}  // namespace qlvctl::testing
