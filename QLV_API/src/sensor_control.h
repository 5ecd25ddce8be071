// Register and EEPROM access shared by the sensor and EEPROM exports: device-1 register writes
// and read-modify-writes, and the wait for the camera to finish writing its EEPROM.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace qlv {

class Bus;

// Device 1 (the image sensor) and device 2 (the colour processor).
inline constexpr std::uint16_t sensorDevice = 1;
inline constexpr std::uint16_t colourDevice = 2;

// Writes consecutive device-1 registers from `reg`, two bytes each, most significant first.
bool writeSensor(Bus& bus, std::uint16_t reg, std::span<const std::uint8_t> bytes);
bool writeSensorWord(Bus& bus, std::uint16_t reg, std::uint16_t value);

// Reads one device-1 register, lets `change` edit it, and writes it back when the read worked.
bool modifySensorWord(Bus& bus, std::uint16_t reg,
                      const std::function<std::uint16_t(std::uint16_t)>& change);

// Polls the status block until the camera is no longer busy writing its EEPROM. False when a
// status read fails or the camera stays busy past the bound.
bool waitUntilNotBusy(Bus& bus);

}  // namespace qlv
