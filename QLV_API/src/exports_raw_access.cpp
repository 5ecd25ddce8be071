// The raw-access exports: one vendor request each, the caller's buffer as the data stage.
#include <QLV_API.h>

#include <limits>
#include <span>

#include "library.h"

using namespace qlv;

namespace {

constexpr std::uint8_t statusBlockSize = 5;

// wLength is 16 bits: longer or negative lengths cannot be sent as asked, so they are refused.
std::optional<std::span<std::uint8_t>> dataStage(const void* data, std::int32_t length) {
    if (length < 0 || length > std::numeric_limits<std::uint16_t>::max() ||
        (data == nullptr && length != 0)) {
        return std::nullopt;
    }
    // The OUT direction never writes into the buffer; the transport wants one span type for both.
    auto* bytes = static_cast<std::uint8_t*>(const_cast<void*>(data));
    return std::span<std::uint8_t>(bytes, static_cast<std::size_t>(length));
}

std::int32_t send(VendorRequest request, const void* data, std::int32_t length) {
    const std::shared_ptr<Library> lib = library();
    const auto stage = dataStage(data, length);
    if (lib == nullptr || !stage) {
        return record(failed);
    }
    return record(lib->bus.control(request, *stage) ? ok : failed);
}

std::uint16_t low16(std::uint32_t value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

}  // namespace

QLV_EXPORT int32_t QLV_GetDevStatus(uint8_t* status) {
    return send({request::Status, Direction::In, 0, 0}, status,
                status == nullptr ? -1 : statusBlockSize);
}

QLV_EXPORT int32_t QLV_DeviceRead(uint32_t device, uint32_t reg, int32_t length, void* data) {
    return send({request::DeviceRead, Direction::In, low16(device & 0xFF), low16(reg)}, data,
                length);
}

QLV_EXPORT int32_t QLV_DeviceWrite(uint32_t device, uint32_t reg, int32_t length,
                                   const void* data) {
    return send({request::DeviceWrite, Direction::Out, low16(device & 0xFF), low16(reg)}, data,
                length);
}

QLV_EXPORT int32_t QLV_I2CRead(uint32_t address, int32_t length, void* data) {
    return send({request::I2CRead, Direction::In, 0, low16(address & 0x7F)}, data, length);
}

QLV_EXPORT int32_t QLV_I2CWrite(uint32_t address, int32_t length, const void* data) {
    return send({request::I2CWrite, Direction::Out, 0, low16(address & 0x7F)}, data, length);
}

QLV_EXPORT int32_t QLV_EEPROMRead(int32_t address, int32_t length, void* data) {
    if (address < 0 || address > std::numeric_limits<std::uint16_t>::max()) {
        return record(failed);
    }
    return send({request::EepromRead, Direction::In, 0, low16(static_cast<std::uint32_t>(address))},
                data, length);
}

QLV_EXPORT int32_t QLV_EEPROMWrite(int32_t address, int32_t length, const void* data) {
    if (address < 0 || address > std::numeric_limits<std::uint16_t>::max()) {
        return record(failed);
    }
    return send(
        {request::EepromWrite, Direction::Out, 0, low16(static_cast<std::uint32_t>(address))}, data,
        length);
}
