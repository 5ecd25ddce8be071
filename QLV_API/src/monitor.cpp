#include "monitor.h"

#include "bus.h"
#include "thread_name.h"

namespace qlv {

Monitor::Monitor(Bus& bus, std::function<void()> onEnd) : bus_(bus), onEnd_(std::move(onEnd)) {}

Monitor::~Monitor() {
    stop();
}

void Monitor::start() {
    present_ = false;
    thread_ = std::jthread([this](std::stop_token stop) { run(std::move(stop)); });
}

void Monitor::stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void Monitor::run(std::stop_token stop) {
    nameThisThread("qlv-monitor");
    while (!stop.stop_requested()) {
        if (!present_ && bus_.connect()) {
            present_ = true;
        }
        if (present_ && bus_.countCameras() == 0) {
            bus_.disconnect();
            present_ = false;
        }
        std::unique_lock lock(wakeMutex_);
        wake_.wait_for(lock, stop, period, [] { return false; });
    }
    if (present_) {
        onEnd_();
        bus_.disconnect();
        present_ = false;
    }
    bus_.release();
}

}  // namespace qlv
