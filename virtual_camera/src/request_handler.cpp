#include "request_handler.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vcam {
namespace {

constexpr std::uint8_t kVendorIn = 0xC0;
constexpr std::uint8_t kVendorOut = 0x40;

enum Request : std::uint8_t {
    kIdentify = 0x10,
    kStatus = 0x12,
    kSetStatusFields = 0x13,
    kI2cRead = 0x14,
    kI2cWrite = 0x15,
    kEepromRead = 0x16,
    kEepromWrite = 0x17,
    kDeviceRead = 0x18,
    kDeviceWrite = 0x19,
};

constexpr std::uint16_t kModeField = 1 << 0;
constexpr std::uint16_t kResolutionField = 1 << 1;
constexpr std::uint16_t kFreezeField = 1 << 2;

// An IN request answers at most what the host asked for; asking for more is a short transfer.
std::size_t answer(std::span<std::uint8_t> payload, std::span<const std::uint8_t> bytes) {
    const std::size_t count = std::min(payload.size(), bytes.size());
    std::copy_n(bytes.begin(), count, payload.begin());
    return count;
}

std::optional<std::size_t> succeeded(bool ok, std::size_t bytes) {
    return ok ? std::optional<std::size_t>(bytes) : std::nullopt;
}

std::size_t identify(const FirmwareState& state, std::span<std::uint8_t> payload) {
    std::array<std::uint8_t, 24> block{};
    block[0] = state.faults.identificationFirstByte;
    block[1] = 2;  // firmware version 2.5
    block[2] = 5;
    std::copy(state.faults.identificationText.begin(), state.faults.identificationText.end(),
              block.begin() + 16);
    return answer(payload, block);
}

std::optional<std::size_t> setStatusFields(FirmwareState& state, std::uint16_t mask,
                                           std::span<const std::uint8_t> payload) {
    if (payload.size() < 3) {
        return std::nullopt;
    }
    const bool setMode = (mask & kModeField) != 0;
    if (setMode && (payload[0] < 1 || payload[0] > 3)) {
        return std::nullopt;  // the firmware knows three modes only
    }
    if (setMode) {
        state.mode = payload[0];
    }
    if ((mask & kResolutionField) != 0) {
        state.resolution = payload[1] != 0 ? 1 : 0;
    }
    if ((mask & kFreezeField) != 0) {
        state.freeze = payload[2] != 0 ? 1 : 0;
    }
    return payload.size();
}

std::optional<std::size_t> eepromWrite(FirmwareState& state, std::uint16_t address,
                                       std::span<const std::uint8_t> payload,
                                       FirmwareState::Clock::time_point now) {
    if (!state.eeprom.write(address, payload)) {
        return std::nullopt;
    }
    if (!payload.empty()) {
        state.busyUntil = now + state.busyTime;
    }
    if (!state.eepromFile.empty() && !state.eeprom.save(state.eepromFile)) {
        // The chip took the bytes; only the copy on disk is behind, which the tester must know.
        std::fprintf(stderr, "virtual camera: cannot save the EEPROM to %s\n",
                     state.eepromFile.c_str());
    }
    return payload.size();
}

std::optional<std::size_t> deviceRead(const FirmwareState& state, const SetupPacket& setup,
                                      std::span<std::uint8_t> payload) {
    switch (setup.value) {
        case 1:
            return succeeded(state.registers.readDevice1(setup.index, payload), payload.size());
        case 2:
            return succeeded(state.registers.readDevice2(setup.index, payload), payload.size());
        default:
            return std::nullopt;
    }
}

std::optional<std::size_t> deviceWrite(FirmwareState& state, const SetupPacket& setup,
                                       std::span<const std::uint8_t> payload) {
    switch (setup.value) {
        case 1:
            return succeeded(state.registers.writeDevice1(setup.index, payload), payload.size());
        case 2:
            return succeeded(state.registers.writeDevice2(setup.index, payload), payload.size());
        default:
            return std::nullopt;
    }
}

bool isInRequest(std::uint8_t request) {
    return request == kIdentify || request == kStatus || request == kI2cRead ||
           request == kEepromRead || request == kDeviceRead;
}

}  // namespace

std::optional<std::size_t> handleRequest(FirmwareState& state, const SetupPacket& setup,
                                         std::span<std::uint8_t> data,
                                         FirmwareState::Clock::time_point now) {
    if (data.size() < setup.length) {
        return std::nullopt;
    }
    if (setup.requestType != (isInRequest(setup.request) ? kVendorIn : kVendorOut)) {
        return std::nullopt;
    }
    const std::span<std::uint8_t> payload = data.first(setup.length);
    switch (setup.request) {
        case kIdentify:
            return identify(state, payload);
        case kStatus:
            return answer(payload, state.status(now));
        case kSetStatusFields:
            return setStatusFields(state, setup.index, payload);
        case kI2cRead:
            return succeeded(
                !state.faults.i2cReadFails && state.i2c.read(setup.index, payload, state.lines480),
                payload.size());
        case kI2cWrite:
            return succeeded(state.i2c.write(setup.index, payload), payload.size());
        case kEepromRead:
            return succeeded(state.eeprom.read(setup.index, payload), payload.size());
        case kEepromWrite:
            return eepromWrite(state, setup.index, payload, now);
        case kDeviceRead:
            return deviceRead(state, setup, payload);
        case kDeviceWrite:
            return deviceWrite(state, setup, payload);
        default:
            return std::nullopt;
    }
}

}  // namespace vcam
