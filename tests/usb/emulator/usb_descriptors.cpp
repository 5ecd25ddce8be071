#include "usb_descriptors.h"

#include <algorithm>
#include <string_view>

namespace usbemu {
namespace {

constexpr std::string_view cameraGuid = "{766CCC40-C72E-434F-8B56-209EF2EDDBBE}";
// Listed before the camera's in the MS OS 1.0 variant: a host must look at every string.
constexpr std::string_view otherGuid = "{0B4A2D6E-11C3-4F5A-9E2B-7D3C5A1F0E42}";

constexpr std::uint8_t typeDevice = 1;
constexpr std::uint8_t typeConfiguration = 2;
constexpr std::uint8_t typeString = 3;
constexpr std::uint8_t typeQualifier = 6;
constexpr std::uint8_t typeBos = 0x0F;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

void set16(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value) {
    out[at] = static_cast<std::uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void set32(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value) {
    set16(out, at, value & 0xFFFF);
    set16(out, at + 2, (value >> 16) & 0xFFFF);
}

std::vector<std::uint8_t> utf16(std::string_view text, bool terminated) {
    std::vector<std::uint8_t> out;
    for (char c : text) {
        put16(out, static_cast<std::uint8_t>(c));
    }
    if (terminated) {
        put16(out, 0);
    }
    return out;
}

std::vector<std::uint8_t> stringDescriptor(std::string_view text) {
    std::vector<std::uint8_t> out{0, typeString};
    const auto units = utf16(text, false);
    out.insert(out.end(), units.begin(), units.end());
    out[0] = static_cast<std::uint8_t>(out.size());
    return out;
}

std::vector<std::uint8_t> endpoint(std::uint8_t address, std::uint8_t attributes,
                                   std::uint16_t maxPacket, std::uint8_t interval) {
    std::vector<std::uint8_t> out{7, 5, address, attributes};
    put16(out, maxPacket);
    out.push_back(interval);
    return out;
}

// "DeviceInterfaceGUIDs" as REG_MULTI_SZ: each GUID NUL-terminated, one more NUL at the end.
std::vector<std::uint8_t> guidList(std::initializer_list<std::string_view> guids) {
    std::vector<std::uint8_t> data;
    for (std::string_view guid : guids) {
        const auto units = utf16(guid, true);
        data.insert(data.end(), units.begin(), units.end());
    }
    put16(data, 0);
    return data;
}

// MS OS 1.0 extended-properties descriptor with one property.
std::vector<std::uint8_t> extendedProperties() {
    const auto name = utf16("DeviceInterfaceGUIDs", true);
    const auto data = guidList({otherGuid, cameraGuid});
    std::vector<std::uint8_t> out;
    put32(out, 0);       // dwLength, set below
    put16(out, 0x0100);  // bcdVersion
    put16(out, 5);       // wIndex: extended properties
    put16(out, 1);       // wCount
    put32(out, static_cast<std::uint32_t>(14 + name.size() + data.size()));  // dwSize
    put32(out, 7);                                                           // REG_MULTI_SZ
    put16(out, static_cast<std::uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    set32(out, 0, out.size());
    return out;
}

// MS OS 1.0 extended compat ID descriptor: interface 0 is a WinUSB function.
std::vector<std::uint8_t> compatibleId() {
    std::vector<std::uint8_t> out;
    put32(out, 40);      // dwLength
    put16(out, 0x0100);  // bcdVersion
    put16(out, 4);       // wIndex: compat ID
    out.push_back(1);    // bCount
    out.insert(out.end(), 7, 0);
    out.push_back(0);  // bFirstInterfaceNumber
    out.push_back(1);
    for (char c : std::string_view("WINUSB\0\0", 8)) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    out.insert(out.end(), 8 + 6, 0);  // sub-compatible id, reserved
    return out;
}

// MS OS 2.0 descriptor set: set header, compatible id, and the GUID as a registry property
// (REG_SZ, in lower case: both are allowed and a host has to cope with either).
std::vector<std::uint8_t> msOs20Set() {
    std::vector<std::uint8_t> out;
    put16(out, 10);
    put16(out, 0x00);        // set header
    put32(out, 0x06030000);  // Windows 8.1
    put16(out, 0);           // wTotalLength, set below

    put16(out, 20);
    put16(out, 0x03);  // compatible id
    for (char c : std::string_view("WINUSB\0\0", 8)) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    out.insert(out.end(), 8, 0);

    std::string lower(cameraGuid);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    const auto name = utf16("DeviceInterfaceGUID", true);
    const auto data = utf16(lower, true);
    put16(out, static_cast<std::uint16_t>(10 + name.size() + data.size()));
    put16(out, 0x04);  // registry property
    put16(out, 1);     // REG_SZ
    put16(out, static_cast<std::uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    put16(out, static_cast<std::uint16_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    set16(out, 8, out.size());
    return out;
}

std::vector<std::uint8_t> bosFor(std::uint16_t setLength) {
    std::vector<std::uint8_t> out{5, typeBos, 0, 0, 1};
    // Platform capability: bLength 28, DEVICE CAPABILITY, PLATFORM, reserved, the MS OS 2.0
    // platform UUID {D8DD60DF-4589-4CC7-9CD2-659D9E648A9F}, one descriptor-set entry.
    const std::uint8_t capability[] = {28,   0x10, 0x05, 0x00, 0xDF, 0x60, 0xDD, 0xD8, 0x89, 0x45,
                                       0xC7, 0x4C, 0x9C, 0xD2, 0x65, 0x9D, 0x9E, 0x64, 0x8A, 0x9F};
    out.insert(out.end(), std::begin(capability), std::end(capability));
    put32(out, 0x06030000);
    put16(out, setLength);
    out.push_back(msOs20VendorCode);
    out.push_back(0);  // bAltEnumCode
    set16(out, 2, out.size());
    return out;
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> bytes, std::uint16_t length) {
    if (bytes.size() > length) {
        bytes.resize(length);
    }
    return bytes;
}

}  // namespace

DeviceDescriptors::DeviceDescriptors(Variant variant, std::uint16_t vendorId,
                                     std::uint16_t productId)
    : variant_(variant), vendorId_(vendorId), productId_(productId) {
    const std::uint16_t bcdUsb = variant == Variant::MsOs20 ? 0x0210 : 0x0200;
    device_ = {18, typeDevice};
    put16(device_, bcdUsb);
    device_.insert(device_.end(), {0x00, 0x00, 0x00, 64});  // class by interface, EP0 64 bytes
    put16(device_, vendorId);
    put16(device_, productId);
    put16(device_, 0x0100);                       // bcdDevice
    device_.insert(device_.end(), {1, 2, 3, 1});  // strings, one configuration

    std::vector<std::uint8_t> endpoints = endpoint(0x81, 0x02, 512, 0);  // bulk IN: frames
    const auto bulkOut = endpoint(0x02, 0x02, 512, 0);
    endpoints.insert(endpoints.end(), bulkOut.begin(), bulkOut.end());
    std::uint8_t endpointCount = 2;
    if (variant == Variant::Isochronous) {
        const auto iso = endpoint(0x83, 0x05, 1024, 1);  // isochronous, asynchronous
        endpoints.insert(endpoints.end(), iso.begin(), iso.end());
        ++endpointCount;
    }
    configuration_ = {9, typeConfiguration, 0, 0, 1, 1, 0, 0x80, 250};  // bus powered, 500 mA
    configuration_.insert(configuration_.end(), {9, 4, 0, 0, endpointCount, 0xFF, 0x00, 0x00, 0});
    configuration_.insert(configuration_.end(), endpoints.begin(), endpoints.end());
    set16(configuration_, 2, configuration_.size());

    if (variant == Variant::MsOs20) {
        msOs20Set_ = msOs20Set();
        bos_ = bosFor(static_cast<std::uint16_t>(msOs20Set_.size()));
    }
}

std::vector<std::uint8_t> DeviceDescriptors::sysfsDescriptors() const {
    std::vector<std::uint8_t> out = device_;
    out.insert(out.end(), configuration_.begin(), configuration_.end());
    return out;
}

std::optional<std::vector<std::uint8_t>> DeviceDescriptors::descriptor(std::uint8_t type,
                                                                       std::uint8_t index) const {
    switch (type) {
        case typeDevice:
            return device_;
        case typeConfiguration:
            return index == 0 ? std::optional(configuration_) : std::nullopt;
        case typeQualifier: {
            std::vector<std::uint8_t> qualifier{
                10, typeQualifier, device_[2], device_[3], 0, 0, 0, 64, 1, 0};
            return qualifier;
        }
        case typeBos:
            return bos_.empty() ? std::nullopt : std::optional(bos_);
        case typeString:
            switch (index) {
                case 0:
                    return std::vector<std::uint8_t>{4, typeString, 0x09, 0x04};  // en-US
                case 1:
                    return stringDescriptor(manufacturer_);
                case 2:
                    return stringDescriptor(product_);
                case 3:
                    return stringDescriptor(serial_);
                case 0xEE:
                    if (variant_ == Variant::MsOs10 || variant_ == Variant::Isochronous) {
                        auto signature = stringDescriptor("MSFT100");
                        signature.push_back(msOs10VendorCode);
                        signature.push_back(0);
                        signature[0] = static_cast<std::uint8_t>(signature.size());
                        return signature;
                    }
                    return std::nullopt;
                default:
                    return std::nullopt;
            }
        default:
            return std::nullopt;
    }
}

std::optional<std::vector<std::uint8_t>> DeviceDescriptors::microsoftDescriptor(
    const Setup& setup) const {
    const bool msOs10 = variant_ == Variant::MsOs10 || variant_ == Variant::Isochronous;
    if (msOs10 && setup.request == msOs10VendorCode) {
        if (setup.index == 4 && setup.requestType == 0xC0) {
            return compatibleId();
        }
        // The interface is in the low byte of wValue, the page (always 0 here) in the high byte.
        if (setup.index == 5 && (setup.requestType == 0xC0 || setup.requestType == 0xC1) &&
            setup.value == 0) {
            return extendedProperties();
        }
    }
    if (variant_ == Variant::MsOs20 && setup.request == msOs20VendorCode &&
        setup.requestType == 0xC0 && setup.index == 7) {
        return msOs20Set_;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> DeviceDescriptors::answer(const Setup& setup,
                                                                   bool& stall) const {
    stall = false;
    const std::uint8_t type = setup.requestType & 0x60;
    if (type == 0x40) {  // vendor: only the Microsoft OS descriptors are the emulation's
        const bool msCode = setup.request == msOs10VendorCode || setup.request == msOs20VendorCode;
        const bool hasMsOs = variant_ != Variant::Plain;
        if (!msCode || !hasMsOs || !setup.isIn()) {
            return std::nullopt;
        }
        if (auto bytes = microsoftDescriptor(setup)) {
            return cut(std::move(*bytes), setup.length);
        }
        stall = true;
        return std::vector<std::uint8_t>{};
    }
    stall = true;
    if (type != 0x00) {
        return std::vector<std::uint8_t>{};  // no class requests
    }
    switch (setup.request) {
        case 0x00:  // GET_STATUS: bus powered, no remote wake-up, not halted
            stall = !setup.isIn();
            return std::vector<std::uint8_t>(std::min<std::uint16_t>(2, setup.length), 0);
        case 0x06:  // GET_DESCRIPTOR
            if (auto bytes = descriptor(static_cast<std::uint8_t>(setup.value >> 8),
                                        static_cast<std::uint8_t>(setup.value & 0xFF))) {
                stall = false;
                return cut(std::move(*bytes), setup.length);
            }
            return std::vector<std::uint8_t>{};
        case 0x08:  // GET_CONFIGURATION
            stall = false;
            return cut({1}, setup.length);
        case 0x0A:  // GET_INTERFACE
            stall = false;
            return cut({0}, setup.length);
        case 0x01:  // CLEAR_FEATURE
        case 0x03:  // SET_FEATURE
        case 0x09:  // SET_CONFIGURATION
        case 0x0B:  // SET_INTERFACE
            stall = setup.isIn();
            return std::vector<std::uint8_t>{};
        default:
            return std::vector<std::uint8_t>{};
    }
}

}  // namespace usbemu
