#include "registers.h"

namespace vcam {
namespace {

constexpr std::size_t kDevice1Registers = 0x10000;
constexpr std::uint16_t kChipVersionRegister = 0x000;
constexpr std::uint16_t kChipVersion = 0x1519;

}  // namespace

DeviceRegisters::DeviceRegisters() : device1_(kDevice1Registers) {
    powerOn({});
}

void DeviceRegisters::powerOn(std::span<const RegisterRecord> block) {
    std::fill(device1_.begin(), device1_.end(), std::uint16_t{0});
    device2_.fill(0);
    device1_[kChipVersionRegister] = kChipVersion;
    for (const RegisterRecord& record : block) {
        if (record.device2) {
            device2_[record.reg & 0x7F] = record.value & 0xFFFFFF;
        } else {
            device1_[record.reg] = static_cast<std::uint16_t>(record.value);
        }
    }
}

bool DeviceRegisters::readDevice1(std::uint16_t first, std::span<std::uint8_t> out) const {
    if (out.size() % 2 != 0 || first + out.size() / 2 > kDevice1Registers) {
        return false;
    }
    for (std::size_t i = 0; i < out.size() / 2; ++i) {
        const std::uint16_t value = device1_[first + i];
        out[2 * i] = static_cast<std::uint8_t>(value >> 8);
        out[2 * i + 1] = static_cast<std::uint8_t>(value);
    }
    return true;
}

bool DeviceRegisters::writeDevice1(std::uint16_t first, std::span<const std::uint8_t> in) {
    if (in.size() % 2 != 0 || first + in.size() / 2 > kDevice1Registers) {
        return false;
    }
    for (std::size_t i = 0; i < in.size() / 2; ++i) {
        device1_[first + i] = static_cast<std::uint16_t>(in[2 * i] << 8 | in[2 * i + 1]);
    }
    return true;
}

bool DeviceRegisters::readDevice2(std::uint16_t first, std::span<std::uint8_t> out) const {
    const std::size_t count = out.size() / 4;
    if (out.size() % 4 != 0 || first + count > device2_.size()) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t value = device2_[first + i];
        out[4 * i] = static_cast<std::uint8_t>(first + i);
        out[4 * i + 1] = static_cast<std::uint8_t>(value >> 16);
        out[4 * i + 2] = static_cast<std::uint8_t>(value >> 8);
        out[4 * i + 3] = static_cast<std::uint8_t>(value);
    }
    return true;
}

bool DeviceRegisters::writeDevice2(std::uint16_t first, std::span<const std::uint8_t> in) {
    if (in.size() % 4 != 0 || (!in.empty() && in[0] != first)) {
        return false;
    }
    // Every record is checked before any is stored: a refused request changes nothing.
    for (std::size_t at = 0; at < in.size(); at += 4) {
        if (in[at] >= device2_.size()) {
            return false;
        }
    }
    for (std::size_t at = 0; at < in.size(); at += 4) {
        device2_[in[at]] =
            static_cast<std::uint32_t>(in[at + 1] << 16 | in[at + 2] << 8 | in[at + 3]);
    }
    return true;
}

}  // namespace vcam
