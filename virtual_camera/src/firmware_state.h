// Everything the camera's firmware keeps between control requests.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "eeprom.h"
#include "faults.h"
#include "i2c_bus.h"
#include "registers.h"

namespace vcam {

struct FirmwareState {
    using Clock = std::chrono::steady_clock;

    std::uint8_t mode = 1;        // 1..3
    std::uint8_t resolution = 0;  // 0 = 640 wide, 1 = 1280 x 1024
    std::uint8_t freeze = 0;
    bool lines480 = true;  // the sensor fitted: 480 or 512 lines at 640 wide
    Clock::time_point busyUntil{};
    std::chrono::milliseconds busyTime{5};

    Eeprom eeprom;
    std::string eepromFile;  // saved after each write when not empty
    DeviceRegisters registers;
    I2cBus i2c;
    ControlFaults faults;

    // A fresh start after the cable comes back: the host sees a new device with the default
    // resolution, live picture and the mode's sensor defaults; mode and EEPROM survive.
    void powerOn();
    std::array<std::uint8_t, 5> status(Clock::time_point now) const;
};

}  // namespace vcam
