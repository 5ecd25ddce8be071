// Which USB devices are taken for the camera: those whose ids are listed in QLV_USB_IDS, and those
// whose Microsoft OS descriptors name the camera's device-interface GUID. Pure functions over the
// bytes a device answers with, so that the rules are tested without a bus. Every parser checks
// lengths against the bytes it was given: a device's answer is never trusted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qlv::usb {

inline constexpr std::string_view cameraInterfaceGuid = "{766CCC40-C72E-434F-8B56-209EF2EDDBBE}";

struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;

    friend bool operator==(const UsbId&, const UsbId&) = default;
};

// Parses "vvvv:pppp[,vvvv:pppp...]": exactly four hex digits on each side, entries separated by
// single commas, nothing else. An empty text is an empty list; any other deviation is nullopt.
std::optional<std::vector<UsbId>> parseUsbIds(std::string_view text);

// ---- Microsoft OS descriptors 1.0 -------------------------------------------------------------

// String descriptor 0xEE is read before anything vendor-specific is sent.
inline constexpr std::uint8_t msOs10StringIndex = 0xEE;
// wIndex of the extended-properties feature descriptor.
inline constexpr std::uint16_t msOs10ExtendedPropertiesIndex = 5;
// Size of the extended-properties header, which announces the whole descriptor's length.
inline constexpr std::size_t msOs10ExtendedPropertiesHeaderSize = 10;

// The vendor code of string descriptor 0xEE when it carries the "MSFT100" signature.
std::optional<std::uint8_t> msOs10VendorCode(std::span<const std::uint8_t> descriptor);

// The total length an extended-properties header announces; nullopt when it is not one.
std::optional<std::uint32_t> extendedPropertiesLength(std::span<const std::uint8_t> header);

// True when an extended-properties descriptor holds a DeviceInterfaceGUID or DeviceInterfaceGUIDs
// property naming `guid`.
bool extendedPropertiesName(std::span<const std::uint8_t> descriptor, std::string_view guid);

// ---- Microsoft OS 2.0 descriptors -------------------------------------------------------------

// wIndex of the request that fetches the descriptor set.
inline constexpr std::uint16_t msOs20DescriptorSetIndex = 7;

// Where a device's MS OS 2.0 descriptor set is fetched, from its BOS platform capability.
struct MsOs20SetLocation {
    std::uint8_t vendorCode = 0;
    std::uint16_t length = 0;
};

// Size of a BOS header, which announces the whole BOS descriptor's length.
inline constexpr std::size_t bosHeaderSize = 5;
std::optional<std::uint16_t> bosTotalLength(std::span<const std::uint8_t> header);

// The descriptor set named by the MS OS 2.0 platform capability of a BOS descriptor (the entry for
// the newest Windows version when there are several).
std::optional<MsOs20SetLocation> msOs20SetLocation(std::span<const std::uint8_t> bos);

// A DeviceInterfaceGUID(s) property naming the GUID, found in a descriptor set.
struct MsOs20Match {
    // The first interface of the function subset holding the property; nullopt when the
    // property applies to the whole device.
    std::optional<std::uint8_t> firstInterface;
};
std::optional<MsOs20Match> descriptorSetNames(std::span<const std::uint8_t> set,
                                              std::string_view guid);

}  // namespace qlv::usb
