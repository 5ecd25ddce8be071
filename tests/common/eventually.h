// A bounded wait for states reached on another thread that announce themselves with no event.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace qlv::test {

// False when the condition did not come true within the limit.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace qlv::test
