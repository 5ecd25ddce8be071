#include "i2c_bus.h"

#include <algorithm>

namespace vcam {
namespace {

// First identification byte: a high nibble above zero marks the 480-line sensor.
constexpr std::uint8_t kSensorId480 = 0x30;
constexpr std::uint8_t kSensorId512 = 0x0C;
constexpr std::array<std::uint8_t, 4> kSensorIdRest{0x00, 0x10, 0x02, 0x01};

}  // namespace

void I2cBus::reset() {
    for (auto& device : memory_) {
        device.fill(0);
    }
    std::copy(kSensorIdRest.begin(), kSensorIdRest.end(), memory_[kSensorIdAddress].begin());
}

bool I2cBus::read(std::uint16_t address, std::span<std::uint8_t> out, bool lines480) const {
    if (address >= memory_.size() || out.size() > kDeviceBytes) {
        return false;
    }
    const auto& device = memory_[address];
    std::copy_n(device.begin(), out.size(), out.begin());
    if (address == kSensorIdAddress && !out.empty()) {
        out[0] = lines480 ? kSensorId480 : kSensorId512;  // wired to the sensor, not writable
    }
    return true;
}

bool I2cBus::write(std::uint16_t address, std::span<const std::uint8_t> in) {
    if (address >= memory_.size() || in.size() > kDeviceBytes) {
        return false;
    }
    std::copy(in.begin(), in.end(), memory_[address].begin());
    return true;
}

}  // namespace vcam
