#include "eeprom.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "register_block.h"

namespace vcam {
namespace {

constexpr std::uint16_t kFactorySerialNumber = 4321;
constexpr std::string_view kShipmentNote = "shipped 2024-03-18 lot 0412 inspected OK";

void putLittleEndian(std::span<std::uint8_t> out, std::uint32_t value) {
    for (auto& byte : out) {
        byte = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

// Per-unit colour calibration: a 24-bit reference level and three 16-bit channel gains (256 = 1).
void putColourRecord(std::span<std::uint8_t> record, int index) {
    const auto i = static_cast<std::uint32_t>(index);
    putLittleEndian(record.subspan(0, 3), 0x00A000 + 0x100 * i);
    putLittleEndian(record.subspan(3, 2), 256 + 3 * i);
    putLittleEndian(record.subspan(5, 2), 256);
    putLittleEndian(record.subspan(7, 2), 256 - 2 * i);
}

}  // namespace

Eeprom::Eeprom() {
    bytes_.fill(0xFF);  // an erased cell reads all ones; areas the factory never wrote stay so
    for (int resolution = 0; resolution < 2; ++resolution) {
        for (int mode = 1; mode <= 3; ++mode) {
            const RegisterBlock block = factoryRegisterBlock(mode, resolution);
            const auto slot = static_cast<std::size_t>((mode - 1) + 3 * resolution);
            std::copy(block.begin(), block.end(),
                      bytes_.begin() + static_cast<std::ptrdiff_t>(kRegisterBlocks + 512 * slot));
        }
    }
    const std::span<std::uint8_t> all(bytes_);
    putLittleEndian(all.subspan(kSerialNumber, 2), kFactorySerialNumber);
    for (int i = 0; i < 6; ++i) {
        putColourRecord(
            all.subspan(kColourRecords + kColourRecordSize * static_cast<std::size_t>(i),
                        kColourRecordSize),
            i);
    }
    const auto shipment = all.subspan(kShipmentData);
    std::fill(shipment.begin(), shipment.end(), std::uint8_t{0});
    std::copy(kShipmentNote.begin(), kShipmentNote.end(), shipment.begin());
}

bool Eeprom::read(std::size_t address, std::span<std::uint8_t> out) const {
    if (address > kSize || out.size() > kSize - address) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(address), out.size(), out.begin());
    return true;
}

bool Eeprom::write(std::size_t address, std::span<const std::uint8_t> in) {
    if (address > kSize || in.size() > kSize - address) {
        return false;
    }
    std::copy(in.begin(), in.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(address));
    return true;
}

bool Eeprom::load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::array<std::uint8_t, kSize> image{};
    file.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (file.gcount() != static_cast<std::streamsize>(image.size()) ||
        file.peek() != std::ifstream::traits_type::eof()) {
        return false;  // not an image of this chip
    }
    bytes_ = image;
    return true;
}

bool Eeprom::save(const std::string& path) const {
    // Unique per writer, so two cameras of one process sharing a file never mix their halves.
    static std::atomic<unsigned> writers{0};
    const std::string temporary =
        path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++writers);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes_.data()),
                   static_cast<std::streamsize>(bytes_.size()));
        file.flush();
        if (!file) {
            file.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
#ifdef _WIN32
    // std::rename does not replace an existing file here.
    const bool replaced =
        MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    const bool replaced = std::rename(temporary.c_str(), path.c_str()) == 0;
#endif
    if (!replaced) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vcam
