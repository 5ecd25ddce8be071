// The monitor thread: connects the camera when it appears and disconnects it when it goes,
// checking every 50 ms.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace qlv {

class Bus;

class Monitor {
public:
    static constexpr std::chrono::milliseconds period{50};

    // `onEnd` runs on the monitor thread as it ends with the camera still present, before the
    // final disconnect.
    Monitor(Bus& bus, std::function<void()> onEnd);
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    void start();
    // Ends the thread and waits for it; the camera is disconnected when it returns.
    void stop();

    bool present() const { return present_.load(); }

private:
    void run(std::stop_token stop);

    Bus& bus_;
    std::function<void()> onEnd_;
    std::atomic<bool> present_{false};
    std::mutex wakeMutex_;
    std::condition_variable_any wake_;
    std::jthread thread_;
};

}  // namespace qlv
