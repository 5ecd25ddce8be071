// What the emulated camera tells the host about itself: device and configuration descriptors,
// strings, and the Microsoft OS descriptors a Windows host (and our library) finds it by.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace usbemu {

// The ids the emulated devices carry: pid.codes' vendor id with its product id for private
// testing, never the id of a shipped product.
inline constexpr std::uint16_t testVendorId = 0x1209;
inline constexpr std::uint16_t testProductId = 0x0001;

enum class Variant {
    MsOs10,       // string descriptor 0xEE and extended properties name the camera's GUID
    MsOs20,       // a BOS platform capability and its descriptor set name it (bcdUSB 2.10)
    Plain,        // no Microsoft OS descriptors: found only through QLV_USB_IDS
    Isochronous,  // like MsOs10, with an isochronous endpoint the camera's interface never has
};

struct Setup {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;

    bool isIn() const { return (requestType & 0x80) != 0; }
};

class DeviceDescriptors {
public:
    DeviceDescriptors(Variant variant, std::uint16_t vendorId, std::uint16_t productId);

    // The sysfs "descriptors" attribute: device descriptor, then the whole configuration.
    std::vector<std::uint8_t> sysfsDescriptors() const;
    std::uint16_t vendorId() const { return vendorId_; }
    std::uint16_t productId() const { return productId_; }
    const std::string& product() const { return product_; }
    const std::string& manufacturer() const { return manufacturer_; }
    const std::string& serial() const { return serial_; }

    // The answer to a standard request or to a request for a Microsoft OS descriptor: the IN data
    // (at most setup.length bytes; empty for OUT), or nullopt when the request is not one of
    // these. `stall` is set when it is one of these and the device refuses it.
    std::optional<std::vector<std::uint8_t>> answer(const Setup& setup, bool& stall) const;

private:
    std::optional<std::vector<std::uint8_t>> descriptor(std::uint8_t type,
                                                        std::uint8_t index) const;
    std::optional<std::vector<std::uint8_t>> microsoftDescriptor(const Setup& setup) const;

    Variant variant_;
    std::uint16_t vendorId_;
    std::uint16_t productId_;
    std::string manufacturer_ = "QLV";
    std::string product_ = "QLV USB 2.0 camera (emulated)";
    std::string serial_ = "EMU-0001";
    std::vector<std::uint8_t> device_;
    std::vector<std::uint8_t> configuration_;
    std::vector<std::uint8_t> bos_;
    std::vector<std::uint8_t> msOs20Set_;
};

// Vendor codes of the Microsoft OS descriptor requests; apart from the camera's own requests.
inline constexpr std::uint8_t msOs10VendorCode = 0xA0;
inline constexpr std::uint8_t msOs20VendorCode = 0xA1;

}  // namespace usbemu
