// The camera's 16 KiB EEPROM: its factory contents and, when asked, a file that keeps it across
// runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vcam {

class Eeprom {
public:
    static constexpr std::size_t kSize = 0x4000;
    static constexpr std::size_t kRegisterBlocks = 0x2000;
    static constexpr std::size_t kSerialNumber = 0x2E00;
    static constexpr std::size_t kColourRecords = 0x2E02;
    static constexpr std::size_t kColourRecordSize = 9;
    static constexpr std::size_t kShipmentData = 0x2E38;

    Eeprom();  // factory contents

    // Both fail, touching nothing, when the range runs past the end: the chip has no wrap-around
    // the host could rely on.
    bool read(std::size_t address, std::span<std::uint8_t> out) const;
    bool write(std::size_t address, std::span<const std::uint8_t> in);
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    // Takes the file's contents when it holds a whole image; otherwise keeps what is there.
    bool load(const std::string& path);
    // Replaces the file in one step (temporary file, then rename), so a crash never leaves half an
    // image behind.
    bool save(const std::string& path) const;

private:
    std::array<std::uint8_t, kSize> bytes_;
};

}  // namespace vcam
