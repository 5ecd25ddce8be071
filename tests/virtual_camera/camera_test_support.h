// Small helpers for talking to a virtual camera the way a host does.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <stdlib.h>

#include <virtual_camera/virtual_camera.h>

#include "../common/eventually.h"

namespace vcam::test {

// No bus time and frames as fast as they are read: tests never wait for a clock.
inline Options quickCamera() {
    Options options;
    options.controlLatency = std::chrono::microseconds{0};
    options.framesPerSecond = -1;
    return options;
}

inline std::optional<std::vector<std::uint8_t>> requestIn(VirtualCamera& camera,
                                                          std::uint8_t request, std::uint16_t value,
                                                          std::uint16_t index,
                                                          std::uint16_t length) {
    std::vector<std::uint8_t> data(length, 0xEE);
    const auto received = camera.control({0xC0, request, value, index, length}, data);
    if (!received) {
        return std::nullopt;
    }
    data.resize(*received);
    return data;
}

inline bool requestOut(VirtualCamera& camera, std::uint8_t request, std::uint16_t value,
                       std::uint16_t index, std::vector<std::uint8_t> data) {
    const auto length = static_cast<std::uint16_t>(data.size());
    return camera.control({0x40, request, value, index, length}, data).has_value();
}

// Sets status fields the way the host does, with request 0x13 and a field mask.
inline bool setStatusFields(VirtualCamera& camera, std::uint16_t mask, std::uint8_t mode,
                            std::uint8_t resolution, std::uint8_t freeze) {
    return requestOut(camera, 0x13, 0, mask, {mode, resolution, freeze});
}

// What a host asks for per frame: the frame rounded up to whole 512-byte packets plus one more.
inline std::size_t bytesAskedFor(std::size_t frameBytes) {
    return (frameBytes & ~511u) + 512;
}

inline std::optional<std::size_t> readFrame(
    VirtualCamera& camera, std::vector<std::uint8_t>& buffer,
    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return camera.bulkIn(buffer, std::chrono::steady_clock::now() + limit, {});
}

using qlv::test::eventually;

class TemporaryFolder {
public:
    TemporaryFolder() {
#ifdef _WIN32
        // No mkdtemp here: a name from the clock, retried until one is free.
        for (auto tick = std::chrono::steady_clock::now().time_since_epoch().count();; ++tick) {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("vcam-test-" + std::to_string(tick));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                path_ = candidate.string();
                break;
            }
            if (error) {
                break;
            }
        }
#else
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vcam-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
#endif
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::filesystem::path path() const {
        return path_;
    }

private:
    std::filesystem::path path_;
};

}  // namespace vcam::test
