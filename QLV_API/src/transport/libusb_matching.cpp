#include "transport/libusb_matching.h"

#include <algorithm>
#include <array>
#include <string>

namespace qlv::usb {
namespace {

// Registry value types a property may carry its GUIDs in.
constexpr std::uint32_t regSz = 1;
constexpr std::uint32_t regExpandSz = 2;
constexpr std::uint32_t regMultiSz = 7;

// {D8DD60DF-4589-4CC7-9CD2-659D9E648A9F} as it travels on the bus (first three fields little
// endian).
constexpr std::array<std::uint8_t, 16> msOs20PlatformUuid{
    0xDF, 0x60, 0xDD, 0xD8, 0x89, 0x45, 0xC7, 0x4C, 0x9C, 0xD2, 0x65, 0x9D, 0x9E, 0x64, 0x8A, 0x9F};

std::uint16_t le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::optional<std::uint8_t> hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint8_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint8_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::uint8_t>(c - 'A' + 10);
    }
    return std::nullopt;
}

std::optional<std::uint16_t> fourHexDigits(std::string_view text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    std::uint16_t value = 0;
    for (char c : text) {
        const auto digit = hexDigit(c);
        if (!digit) {
            return std::nullopt;
        }
        value = static_cast<std::uint16_t>((value << 4) | *digit);
    }
    return value;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

// UTF-16LE code units as text; a unit outside ASCII becomes a character no name or GUID holds,
// so that it can never make a comparison succeed.
std::string fromUtf16(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const std::uint16_t unit = le16(bytes, at);
        text.push_back(unit < 0x80 ? static_cast<char>(unit) : '\x7f');
    }
    return text;
}

// A registry string value, single or multi: its NUL-separated parts.
std::vector<std::string> stringsOf(std::span<const std::uint8_t> data) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : fromUtf16(data)) {
        if (c == '\0') {
            if (!current.empty()) {
                parts.push_back(std::move(current));
            }
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        parts.push_back(std::move(current));
    }
    return parts;
}

// The name as stored, without its terminating NUL.
std::string propertyName(std::span<const std::uint8_t> name) {
    std::string text = fromUtf16(name);
    if (const auto end = text.find('\0'); end != std::string::npos) {
        text.resize(end);
    }
    return text;
}

// A property names the interface GUID when it is DeviceInterfaceGUID or DeviceInterfaceGUIDs
// (Windows reads either, registry names ignore case), holds a string type, and one of its strings
// is the GUID (GUID text ignores case too).
bool propertyNamesGuid(std::span<const std::uint8_t> name, std::uint32_t type,
                       std::span<const std::uint8_t> data, std::string_view guid) {
    const std::string text = propertyName(name);
    if (!equalsIgnoringCase(text, "DeviceInterfaceGUID") &&
        !equalsIgnoringCase(text, "DeviceInterfaceGUIDs")) {
        return false;
    }
    if (type != regSz && type != regExpandSz && type != regMultiSz) {
        return false;
    }
    const auto strings = stringsOf(data);
    return std::any_of(strings.begin(), strings.end(),
                       [guid](const std::string& s) { return equalsIgnoringCase(s, guid); });
}

}  // namespace

std::optional<std::vector<UsbId>> parseUsbIds(std::string_view text) {
    std::vector<UsbId> ids;
    if (text.empty()) {
        return ids;
    }
    while (true) {
        const auto comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        if (entry.size() != 9 || entry[4] != ':') {
            return std::nullopt;
        }
        const auto vendor = fourHexDigits(entry.substr(0, 4));
        const auto product = fourHexDigits(entry.substr(5, 4));
        if (!vendor || !product) {
            return std::nullopt;
        }
        ids.push_back({*vendor, *product});
        if (comma == std::string_view::npos) {
            return ids;
        }
        text.remove_prefix(comma + 1);
    }
}

std::optional<std::uint8_t> msOs10VendorCode(std::span<const std::uint8_t> descriptor) {
    // bLength 0x12, type STRING, "MSFT100" in UTF-16LE, vendor code, pad.
    constexpr std::string_view signature = "MSFT100";
    if (descriptor.size() < 18 || descriptor[0] < 18 || descriptor[1] != 0x03) {
        return std::nullopt;
    }
    if (fromUtf16(descriptor.subspan(2, 14)) != signature) {
        return std::nullopt;
    }
    return descriptor[16];
}

std::optional<std::uint32_t> extendedPropertiesLength(std::span<const std::uint8_t> header) {
    if (header.size() < msOs10ExtendedPropertiesHeaderSize) {
        return std::nullopt;
    }
    const std::uint32_t length = le32(header, 0);
    if (le16(header, 4) != 0x0100 || le16(header, 6) != msOs10ExtendedPropertiesIndex ||
        length < msOs10ExtendedPropertiesHeaderSize) {
        return std::nullopt;
    }
    return length;
}

bool extendedPropertiesName(std::span<const std::uint8_t> descriptor, std::string_view guid) {
    const auto announced = extendedPropertiesLength(descriptor);
    if (!announced) {
        return false;
    }
    const auto bytes = descriptor.first(std::min<std::size_t>(*announced, descriptor.size()));
    const std::uint16_t count = le16(bytes, 8);
    std::size_t at = msOs10ExtendedPropertiesHeaderSize;
    for (std::uint16_t property = 0; property < count; ++property) {
        // dwSize, dwPropertyDataType, wPropertyNameLength, name, dwPropertyDataLength, data.
        if (at + 10 > bytes.size()) {
            return false;
        }
        const std::uint32_t size = le32(bytes, at);
        const std::uint32_t type = le32(bytes, at + 4);
        const std::size_t nameLength = le16(bytes, at + 8);
        if (size < 14 || size > bytes.size() - at || 10 + nameLength + 4 > size) {
            return false;
        }
        const std::size_t dataLength = le32(bytes, at + 10 + nameLength);
        if (dataLength > size - 14 - nameLength) {
            return false;
        }
        const auto name = bytes.subspan(at + 10, nameLength);
        const auto data = bytes.subspan(at + 14 + nameLength, dataLength);
        if (propertyNamesGuid(name, type, data, guid)) {
            return true;
        }
        at += size;
    }
    return false;
}

std::optional<std::uint16_t> bosTotalLength(std::span<const std::uint8_t> header) {
    if (header.size() < bosHeaderSize || header[0] < bosHeaderSize || header[1] != 0x0F) {
        return std::nullopt;
    }
    const std::uint16_t total = le16(header, 2);
    if (total < bosHeaderSize) {
        return std::nullopt;
    }
    return total;
}

std::optional<MsOs20SetLocation> msOs20SetLocation(std::span<const std::uint8_t> bos) {
    const auto total = bosTotalLength(bos);
    if (!total) {
        return std::nullopt;
    }
    const auto bytes = bos.first(std::min<std::size_t>(*total, bos.size()));
    std::optional<MsOs20SetLocation> best;
    std::uint32_t bestVersion = 0;
    // Device capabilities: bLength, DEVICE CAPABILITY (0x10), type; PLATFORM (0x05) has a reserved
    // byte and the platform's UUID before its data.
    for (std::size_t at = bytes[0]; at + 3 <= bytes.size();) {
        const std::size_t length = bytes[at];
        if (length < 3 || length > bytes.size() - at) {
            break;
        }
        const auto capability = bytes.subspan(at, length);
        at += length;
        if (capability[1] != 0x10 || capability[2] != 0x05 || length < 20 ||
            !std::equal(msOs20PlatformUuid.begin(), msOs20PlatformUuid.end(),
                        capability.begin() + 4)) {
            continue;
        }
        // One 8-byte entry per Windows version: dwWindowsVersion, wMSOSDescriptorSetTotalLength,
        // bMS_VendorCode, bAltEnumCode.
        for (std::size_t entry = 20; entry + 8 <= length; entry += 8) {
            const std::uint32_t version = le32(capability, entry);
            const std::uint16_t setLength = le16(capability, entry + 4);
            if (setLength >= 10 && (!best || version > bestVersion)) {
                best = MsOs20SetLocation{capability[entry + 6], setLength};
                bestVersion = version;
            }
        }
    }
    return best;
}

std::optional<MsOs20Match> descriptorSetNames(std::span<const std::uint8_t> set,
                                              std::string_view guid) {
    // The set header: wLength 10, wDescriptorType 0 (set header), dwWindowsVersion, wTotalLength.
    if (set.size() < 10 || le16(set, 0) != 10 || le16(set, 2) != 0) {
        return std::nullopt;
    }
    const auto bytes = set.first(std::min<std::size_t>(le16(set, 8), set.size()));
    int function = -1;  // the first interface of the function subset being walked, -1 outside one
    std::size_t functionEnd = 0;
    // Descriptors follow each other by their wLength; a subset header's wLength is the header's
    // own, its total length tells where the subset ends.
    for (std::size_t at = 10; at + 4 <= bytes.size();) {
        const std::size_t length = le16(bytes, at);
        const std::uint16_t type = le16(bytes, at + 2);
        if (length < 4 || length > bytes.size() - at) {
            break;
        }
        if (function >= 0 && at >= functionEnd) {
            function = -1;
        }
        const auto descriptor = bytes.subspan(at, length);
        if (type == 0x02 && length >= 8) {  // function subset header
            function = descriptor[4];
            functionEnd = at + le16(descriptor, 6);
        } else if (type == 0x04 && length >= 10) {  // registry property
            const std::uint16_t dataType = le16(descriptor, 4);
            const std::size_t nameLength = le16(descriptor, 6);
            if (8 + nameLength + 2 <= length) {
                const std::size_t dataLength = le16(descriptor, 8 + nameLength);
                if (10 + nameLength + dataLength <= length &&
                    propertyNamesGuid(descriptor.subspan(8, nameLength), dataType,
                                      descriptor.subspan(10 + nameLength, dataLength), guid)) {
                    return MsOs20Match{function >= 0 ? std::optional<std::uint8_t>(
                                                           static_cast<std::uint8_t>(function))
                                                     : std::nullopt};
                }
            }
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace qlv::usb
