// The Microsoft OS descriptor parsers on any bytes a device may send. The first byte picks the
// parser; the GUID is the camera's.
#include <cstdint>
#include <span>
#include <string_view>

#include "transport/libusb_matching.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    constexpr std::string_view guid = "{766CCC40-C72E-434F-8B56-209EF2EDDBBE}";
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    namespace usb = qlv::usb;
    switch (data[0] % 4) {
        case 0:
            usb::msOs10VendorCode(bytes);
            break;
        case 1:
            usb::extendedPropertiesLength(bytes);
            usb::extendedPropertiesName(bytes, guid);
            break;
        case 2:
            usb::bosTotalLength(bytes);
            usb::msOs20SetLocation(bytes);
            break;
        default:
            usb::descriptorSetNames(bytes, guid);
            break;
    }
    return 0;
}
