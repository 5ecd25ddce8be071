// The camera's I2C bus. Address 0x58 is the sensor's identification chip, whose first byte tells
// the sensor's line count; any other address behaves as a small memory that keeps what was written.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vcam {

class I2cBus {
public:
    static constexpr std::uint8_t kSensorIdAddress = 0x58;
    static constexpr std::size_t kDeviceBytes = 256;

    I2cBus() { reset(); }
    void reset();

    // False for an address beyond 7 bits or more bytes than a device holds.
    bool read(std::uint16_t address, std::span<std::uint8_t> out, bool lines480) const;
    bool write(std::uint16_t address, std::span<const std::uint8_t> in);

private:
    std::array<std::array<std::uint8_t, kDeviceBytes>, 128> memory_{};
};

}  // namespace vcam
