// The camera's own data in its EEPROM: serial number, colour records and shipment data.
// Argument checks here return 1 without recording it; the requests record their results.
#include <QLV_API.h>

#include <algorithm>
#include <array>

#include "library.h"
#include "sensor_control.h"

using namespace qlv;

namespace {

namespace address {
constexpr std::uint32_t serialNumber = 0x2E00;
constexpr std::uint32_t colourRecords = 0x2E02;
constexpr std::uint32_t shipmentData = 0x2E38;
}  // namespace address

constexpr std::uint32_t colourRecordSize = 9;
constexpr std::uint32_t colourRecordCount = 6;
constexpr std::uint32_t shipmentDataSize = 4552;
constexpr std::uint32_t chunkSize = 32;

bool readEeprom(Bus& bus, std::uint32_t at, std::span<std::uint8_t> bytes) {
    return bus.control({request::EepromRead, Direction::In, 0, static_cast<std::uint16_t>(at)},
                       bytes);
}

bool writeEeprom(Bus& bus, std::uint32_t at, std::span<const std::uint8_t> bytes) {
    // OUT transfers never write into their data stage.
    return bus.control({request::EepromWrite, Direction::Out, 0, static_cast<std::uint16_t>(at)},
                       {const_cast<std::uint8_t*>(bytes.data()), bytes.size()});
}

// Waits for the camera to finish its last EEPROM write, then writes.
bool writeWhenIdle(Bus& bus, std::uint32_t at, std::span<const std::uint8_t> bytes) {
    return waitUntilNotBusy(bus) && writeEeprom(bus, at, bytes);
}

std::int32_t recorded(bool success) {
    return record(success ? ok : failed);
}

bool shipmentRangeValid(std::uint32_t offset, std::uint32_t length) {
    return length != 0 && offset <= shipmentDataSize && length <= shipmentDataSize - offset;
}

}  // namespace

QLV_EXPORT int32_t QLV_GetSerialNo(uint16_t* out) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || out == nullptr) {
        return failed;
    }
    std::array<std::uint8_t, 2> bytes{};
    if (!readEeprom(lib->bus, address::serialNumber, bytes)) {
        return recorded(false);
    }
    *out = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
    return recorded(true);
}

QLV_EXPORT int32_t QLV_SetSerialNo(int32_t serial) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return failed;
    }
    const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(serial & 0xFF),
                                            static_cast<std::uint8_t>((serial >> 8) & 0xFF)};
    return recorded(writeWhenIdle(lib->bus, address::serialNumber, bytes));
}

QLV_EXPORT int32_t QLV_GetRGBData(uint32_t index, int32_t* first, int16_t* second, int16_t* third,
                                  int16_t* fourth) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || index >= colourRecordCount || first == nullptr || second == nullptr ||
        third == nullptr || fourth == nullptr) {
        return failed;
    }
    std::array<std::uint8_t, colourRecordSize> bytes{};
    if (!readEeprom(lib->bus, address::colourRecords + colourRecordSize * index, bytes)) {
        return recorded(false);
    }
    const auto word = [&](std::size_t at) {
        return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
    };
    *first = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
    *second = word(3);
    *third = word(5);
    *fourth = word(7);
    return recorded(true);
}

QLV_EXPORT int32_t QLV_SetRGBData(uint32_t index, int32_t first, int32_t second, int32_t third,
                                  int32_t fourth) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || index >= colourRecordCount) {
        return failed;
    }
    const auto byte = [](std::int32_t value, int shift) {
        return static_cast<std::uint8_t>((value >> shift) & 0xFF);
    };
    const std::array<std::uint8_t, colourRecordSize> bytes{
        byte(first, 0), byte(first, 8), byte(first, 16), byte(second, 0), byte(second, 8),
        byte(third, 0), byte(third, 8), byte(fourth, 0), byte(fourth, 8)};
    return recorded(
        writeWhenIdle(lib->bus, address::colourRecords + colourRecordSize * index, bytes));
}

QLV_EXPORT int32_t QLV_GetShipmentData(uint32_t offset, uint32_t length, void* out) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || out == nullptr || !shipmentRangeValid(offset, length)) {
        return failed;
    }
    auto* bytes = static_cast<std::uint8_t*>(out);
    for (std::uint32_t start = 0; start < length; start += chunkSize) {
        const std::uint32_t size = std::min(chunkSize, length - start);
        if (!readEeprom(lib->bus, address::shipmentData + offset + start, {bytes + start, size})) {
            return recorded(false);
        }
    }
    return recorded(true);
}

QLV_EXPORT int32_t QLV_SetShipmentData(uint32_t offset, uint32_t length, const void* data) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || data == nullptr || !shipmentRangeValid(offset, length)) {
        return failed;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bool lastWrite = false;
    for (std::uint32_t start = 0; start < length; start += chunkSize) {
        const std::uint32_t size = std::min(chunkSize, length - start);
        if (!waitUntilNotBusy(lib->bus)) {
            return recorded(false);
        }
        // A failed chunk does not stop the others; the result is the last chunk's.
        lastWrite =
            writeEeprom(lib->bus, address::shipmentData + offset + start, {bytes + start, size});
    }
    return recorded(lastWrite);
}
