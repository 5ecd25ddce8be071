// The camera's own data in its EEPROM: serial number, colour records, shipment data, and a
// read-only dump of any range. Every write is read back, because the library can report success
// for a write that did not take (a shipment write returns only its last chunk's result).
#include <QLV_API.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "camera_session.h"
#include "commands.h"
#include "hex_dump.h"

namespace qlvctl {
namespace {

constexpr std::int64_t eepromSize = 0x4000;
constexpr std::int64_t largestRead = 4096;  // bytes per EEPROM request
constexpr std::int64_t shipmentSize = 4552;
constexpr std::int64_t largest24Bit = 0xFFFFFF;

bool anyHelp(Arguments arguments) {
    return std::any_of(arguments.begin(), arguments.end(), isHelp);
}

// True, after saying so, when the camera does not finish a write in time: the read-back has to
// wait for it to see the stored bytes.
bool readBackFailed(const char* what) {
    if (waitUntilEepromIdle()) {
        return false;
    }
    std::fprintf(stderr, "qlvctl: the camera did not finish writing the %s\n", what);
    return true;
}

int mismatch(const char* what) {
    std::fprintf(stderr, "qlvctl: the %s reads back differently: the write did not take\n", what);
    return exitFailed;
}

// ---- serial -----------------------------------------------------------------------------------

int readSerial() {
    std::uint16_t serial = 0;
    if (QLV_GetSerialNo(&serial) != 0) {
        return reportFailure("reading the serial number");
    }
    std::printf("serial number %u\n", static_cast<unsigned>(serial));
    return exitOk;
}

int writeSerial(std::int32_t serial) {
    if (QLV_SetSerialNo(serial) != 0) {
        return reportFailure("writing the serial number");
    }
    if (readBackFailed("serial number")) {
        return exitFailed;
    }
    std::uint16_t stored = 0;
    if (QLV_GetSerialNo(&stored) != 0) {
        return reportFailure("reading the serial number back");
    }
    if (stored != serial) {
        return mismatch("serial number");
    }
    std::printf("serial number set to %d\n", serial);
    return exitOk;
}

// ---- rgb --------------------------------------------------------------------------------------

struct ColourRecord {
    std::int32_t first = 0;
    std::int16_t second = 0;
    std::int16_t third = 0;
    std::int16_t fourth = 0;

    bool operator==(const ColourRecord&) const = default;
};

void printColourRecord(std::uint32_t index, const ColourRecord& r) {
    std::printf("colour record %u: first %d (0x%06x), second %d, third %d, fourth %d\n", index,
                r.first, static_cast<unsigned>(r.first), r.second, r.third, r.fourth);
}

int readColourRecord(std::uint32_t index) {
    ColourRecord r;
    if (QLV_GetRGBData(index, &r.first, &r.second, &r.third, &r.fourth) != 0) {
        return reportFailure("reading the colour record");
    }
    printColourRecord(index, r);
    return exitOk;
}

int writeColourRecord(std::uint32_t index, const ColourRecord& wanted) {
    if (QLV_SetRGBData(index, wanted.first, wanted.second, wanted.third, wanted.fourth) != 0) {
        return reportFailure("writing the colour record");
    }
    if (readBackFailed("colour record")) {
        return exitFailed;
    }
    ColourRecord stored;
    if (QLV_GetRGBData(index, &stored.first, &stored.second, &stored.third, &stored.fourth) != 0) {
        return reportFailure("reading the colour record back");
    }
    if (stored != wanted) {
        return mismatch("colour record");
    }
    std::fputs("stored ", stdout);
    printColourRecord(index, stored);
    return exitOk;
}

// ---- shipment ---------------------------------------------------------------------------------

// Pairs of hex digits, nothing else.
std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto byte = parseInteger("0x" + std::string(text.substr(i, 2)));
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    return bytes;
}

int readShipment(std::uint32_t offset, std::uint32_t length) {
    std::vector<std::uint8_t> bytes(length);
    if (QLV_GetShipmentData(offset, length, bytes.data()) != 0) {
        return reportFailure("reading the shipment data");
    }
    std::printf("shipment data, offsets %u to %u (0x%04x to 0x%04x):\n", offset,
                offset + length - 1, offset, offset + length - 1);
    printHexDump(stdout, offset, bytes);
    return exitOk;
}

int writeShipment(std::uint32_t offset, const std::vector<std::uint8_t>& bytes) {
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (QLV_SetShipmentData(offset, length, bytes.data()) != 0) {
        return reportFailure("writing the shipment data");
    }
    if (readBackFailed("shipment data")) {
        return exitFailed;
    }
    std::vector<std::uint8_t> stored(bytes.size());
    if (QLV_GetShipmentData(offset, length, stored.data()) != 0) {
        return reportFailure("reading the shipment data back");
    }
    if (stored != bytes) {
        return mismatch("shipment data");
    }
    std::printf("shipment data set: %u bytes at offsets %u to %u\n", length, offset,
                offset + length - 1);
    return exitOk;
}

}  // namespace

int runSerial(Arguments arguments) {
    if (anyHelp(arguments)) {
        return showUsage(true);
    }
    const bool get = arguments.empty() || (arguments.size() == 1 && arguments[0] == "get");
    const bool set = arguments.size() == 2 && arguments[0] == "set";
    if (!get && !set) {
        return usageError("serial", "expected 'serial', 'serial get' or 'serial set <number>'");
    }
    std::int32_t serial = 0;
    if (set) {
        std::string problem;
        const auto value = parseIntegerIn(arguments[1], 0, 0xFFFF, "the serial number", problem);
        if (!value) {
            return usageError("serial", problem);
        }
        serial = static_cast<std::int32_t>(*value);
    }
    CameraSession session;
    if (const int failed = connectCamera(session); failed != exitOk) {
        return failed;
    }
    return set ? writeSerial(serial) : readSerial();
}

int runEeprom(Arguments arguments) {
    if (anyHelp(arguments)) {
        return showUsage(true);
    }
    if (arguments.size() != 3 || arguments[0] != "dump") {
        return usageError("eeprom", "expected 'eeprom dump <address> <length>'");
    }
    std::string problem;
    const auto address = parseIntegerIn(arguments[1], 0, eepromSize - 1, "the address", problem);
    if (!address) {
        return usageError("eeprom", problem);
    }
    const auto length = parseIntegerIn(arguments[2], 1, eepromSize - *address,
                                       "the length from that address", problem);
    if (!length) {
        return usageError("eeprom", problem);
    }

    CameraSession session;
    if (const int failed = connectCamera(session); failed != exitOk) {
        return failed;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*length));
    for (std::int64_t done = 0; done < *length; done += largestRead) {
        const auto chunk = std::min(largestRead, *length - done);
        if (QLV_EEPROMRead(static_cast<std::int32_t>(*address + done),
                           static_cast<std::int32_t>(chunk),
                           bytes.data() + static_cast<std::size_t>(done)) != 0) {
            std::fprintf(stderr, "qlvctl: reading the EEPROM at 0x%04llx failed\n",
                         static_cast<unsigned long long>(*address + done));
            return exitFailed;
        }
    }
    std::printf("EEPROM 0x%04llx to 0x%04llx:\n", static_cast<unsigned long long>(*address),
                static_cast<unsigned long long>(*address + *length - 1));
    printHexDump(stdout, static_cast<std::uint32_t>(*address), bytes);
    return exitOk;
}

int runRgb(Arguments arguments) {
    if (anyHelp(arguments)) {
        return showUsage(true);
    }
    const bool get = arguments.size() == 2 && arguments[0] == "get";
    const bool set = arguments.size() == 6 && arguments[0] == "set";
    if (!get && !set) {
        return usageError("rgb",
                          "expected 'rgb get <index>' or "
                          "'rgb set <index> <first> <second> <third> <fourth>'");
    }
    std::string problem;
    const auto index = parseIntegerIn(arguments[1], 0, 5, "the record index", problem);
    if (!index) {
        return usageError("rgb", problem);
    }
    ColourRecord record;
    if (set) {
        const auto first = parseIntegerIn(arguments[2], 0, largest24Bit, "first", problem);
        if (!first) {
            return usageError("rgb", problem);
        }
        std::array<std::int16_t, 3> others{};
        constexpr std::array<const char*, 3> names{"second", "third", "fourth"};
        for (std::size_t i = 0; i < others.size(); ++i) {
            const auto value = parseIntegerIn(arguments[3 + i], -32768, 32767, names[i], problem);
            if (!value) {
                return usageError("rgb", problem);
            }
            others[i] = static_cast<std::int16_t>(*value);
        }
        record = {static_cast<std::int32_t>(*first), others[0], others[1], others[2]};
    }

    CameraSession session;
    if (const int failed = connectCamera(session); failed != exitOk) {
        return failed;
    }
    const auto which = static_cast<std::uint32_t>(*index);
    return set ? writeColourRecord(which, record) : readColourRecord(which);
}

int runShipment(Arguments arguments) {
    if (anyHelp(arguments)) {
        return showUsage(true);
    }
    const bool get = arguments.size() == 3 && arguments[0] == "get";
    const bool setText = arguments.size() == 3 && arguments[0] == "set" && arguments[2] != "--hex";
    const bool setHex = arguments.size() == 4 && arguments[0] == "set" && arguments[2] == "--hex";
    if (!get && !setText && !setHex) {
        return usageError("shipment",
                          "expected 'shipment get <offset> <length>', "
                          "'shipment set <offset> <text>' or 'shipment set <offset> --hex <bytes>'"
                          " (quote text with spaces)");
    }
    std::string problem;
    const auto offset = parseIntegerIn(arguments[1], 0, shipmentSize - 1, "the offset", problem);
    if (!offset) {
        return usageError("shipment", problem);
    }
    const auto room = shipmentSize - *offset;
    std::uint32_t length = 0;
    std::vector<std::uint8_t> bytes;
    if (get) {
        const auto wanted = parseIntegerIn(arguments[2], 1, room, "the length", problem);
        if (!wanted) {
            return usageError("shipment", problem);
        }
        length = static_cast<std::uint32_t>(*wanted);
    } else if (setHex) {
        const auto parsed = parseHexBytes(arguments[3]);
        if (!parsed) {
            return usageError("shipment",
                              "--hex takes pairs of hex digits, e.g. --hex 00ff10, not '" +
                                  std::string(arguments[3]) + "'");
        }
        bytes = *parsed;
    } else {
        // The text goes in as typed, with no terminator added: bytes after it stay as they are.
        bytes.assign(arguments[2].begin(), arguments[2].end());
        if (bytes.empty()) {
            return usageError("shipment", "the text is empty");
        }
    }
    if (!get && static_cast<std::int64_t>(bytes.size()) > room) {
        return usageError("shipment", std::to_string(bytes.size()) + " bytes do not fit: from " +
                                          std::to_string(*offset) + " there is room for " +
                                          std::to_string(room));
    }

    CameraSession session;
    if (const int failed = connectCamera(session); failed != exitOk) {
        return failed;
    }
    const auto at = static_cast<std::uint32_t>(*offset);
    return get ? readShipment(at, length) : writeShipment(at, bytes);
}

}  // namespace qlvctl
