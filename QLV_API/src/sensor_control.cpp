#include "sensor_control.h"

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "bus.h"

namespace qlv {
namespace {

// An EEPROM page write takes a few milliseconds; a camera busy for longer than this is stuck.
constexpr std::chrono::seconds busyLimit{5};
constexpr std::chrono::milliseconds busyPollPause{1};

std::span<std::uint8_t> mutableBytes(std::span<const std::uint8_t> bytes) {
    // Used for OUT transfers only, which never write into their data stage.
    return {const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
}

}  // namespace

bool writeSensor(Bus& bus, std::uint16_t reg, std::span<const std::uint8_t> bytes) {
    return bus.control({request::DeviceWrite, Direction::Out, sensorDevice, reg},
                       mutableBytes(bytes));
}

bool writeSensorWord(Bus& bus, std::uint16_t reg, std::uint16_t value) {
    const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(value >> 8),
                                            static_cast<std::uint8_t>(value & 0xFF)};
    return writeSensor(bus, reg, bytes);
}

bool modifySensorWord(Bus& bus, std::uint16_t reg,
                      const std::function<std::uint16_t(std::uint16_t)>& change) {
    std::array<std::uint8_t, 2> bytes{};
    if (!bus.control({request::DeviceRead, Direction::In, sensorDevice, reg}, bytes)) {
        return false;
    }
    const auto current = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    return writeSensorWord(bus, reg, change(current));
}

bool waitUntilNotBusy(Bus& bus) {
    const auto deadline = std::chrono::steady_clock::now() + busyLimit;
    for (;;) {
        std::array<std::uint8_t, 5> status{};
        if (!bus.control({request::Status, Direction::In, 0, 0}, status)) {
            return false;
        }
        if (status[3] == 0) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(busyPollPause);
    }
}

}  // namespace qlv
