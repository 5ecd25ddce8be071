#include "transport/libusb_probe.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "transport/libusb_results.h"

namespace qlv {
namespace {

using Clock = std::chrono::steady_clock;

// A probe that could not finish is tried again this much later, a limited number of times
// unless permission was missing.
constexpr auto retryAfter = std::chrono::seconds(2);
constexpr int limitedAttempts = 3;
// Descriptor reads of a probe: short, the monitor thread waits for them.
constexpr unsigned int probeTimeoutMs = 500;
// Extended-properties descriptors are small; a device announcing more is not believed.
constexpr std::uint32_t largestExtendedProperties = 4096;

// bmRequestType of a vendor IN request to the device and to an interface.
constexpr std::uint8_t vendorDeviceIn = 0xC0;
constexpr std::uint8_t vendorInterfaceIn = 0xC1;

struct CloseHandle {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using Handle = std::unique_ptr<libusb_device_handle, CloseHandle>;

struct FreeConfig {
    void operator()(libusb_config_descriptor* config) const {
        libusb_free_config_descriptor(config);
    }
};

// How a descriptor read ended: a device that refuses a Microsoft OS descriptor simply has none;
// a read that failed otherwise leaves the question open.
enum class Probe { Match, NoMatch, Inconclusive };

Probe fromFailure(int result, const char* what) {
    const UsbOutcome outcome = outcomeOf(result, what);
    return outcome == UsbOutcome::Stalled || outcome == UsbOutcome::Overflow ? Probe::NoMatch
                                                                             : Probe::Inconclusive;
}

// Numbers of the interfaces whose alternate setting 0 is vendor-specific: only such an interface
// can be the camera's, so only such devices are opened at all.
std::vector<std::uint8_t> vendorSpecificInterfaces(libusb_device* device) {
    libusb_config_descriptor* raw = nullptr;
    if (libusb_get_active_config_descriptor(device, &raw) != LIBUSB_SUCCESS) {
        return {};
    }
    const std::unique_ptr<libusb_config_descriptor, FreeConfig> config(raw);
    std::vector<std::uint8_t> numbers;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting > 0 &&
            interface.altsetting[0].bInterfaceClass == LIBUSB_CLASS_VENDOR_SPEC) {
            numbers.push_back(interface.altsetting[0].bInterfaceNumber);
        }
    }
    return numbers;
}

// The whole of a descriptor whose header announces its length: header first, then all of it.
int readAnnounced(libusb_device_handle* handle, std::uint8_t requestType, std::uint8_t request,
                  std::uint16_t value, std::uint16_t index, std::vector<std::uint8_t>& bytes) {
    return libusb_control_transfer(handle, requestType, request, value, index, bytes.data(),
                                   static_cast<std::uint16_t>(bytes.size()), probeTimeoutMs);
}

struct Ms20Result {
    Probe probe = Probe::NoMatch;
    std::optional<std::uint8_t> firstInterface;
};

Ms20Result probeMsOs20(libusb_device_handle* handle) {
    std::vector<std::uint8_t> bos(usb::bosHeaderSize);
    int result =
        libusb_get_descriptor(handle, LIBUSB_DT_BOS, 0, bos.data(), static_cast<int>(bos.size()));
    if (result < 0) {
        return {fromFailure(result, "reading the BOS descriptor"), std::nullopt};
    }
    const auto total = usb::bosTotalLength(std::span(bos).first(static_cast<std::size_t>(result)));
    if (!total) {
        return {};
    }
    bos.resize(*total);
    result = libusb_get_descriptor(handle, LIBUSB_DT_BOS, 0, bos.data(), *total);
    if (result < 0) {
        return {fromFailure(result, "reading the BOS descriptor"), std::nullopt};
    }
    bos.resize(static_cast<std::size_t>(result));
    const auto location = usb::msOs20SetLocation(bos);
    if (!location) {
        return {};
    }
    std::vector<std::uint8_t> set(location->length);
    result = readAnnounced(handle, vendorDeviceIn, location->vendorCode, 0,
                           usb::msOs20DescriptorSetIndex, set);
    if (result < 0) {
        return {fromFailure(result, "reading the MS OS 2.0 descriptor set"), std::nullopt};
    }
    set.resize(static_cast<std::size_t>(result));
    const auto match = usb::descriptorSetNames(set, usb::cameraInterfaceGuid);
    if (!match) {
        return {};
    }
    return {Probe::Match, match->firstInterface};
}

struct Ms10Result {
    Probe probe = Probe::NoMatch;
    std::uint8_t interfaceNumber = 0;
};

Ms10Result probeMsOs10(libusb_device_handle* handle, const std::vector<std::uint8_t>& interfaces) {
    std::uint8_t string[18]{};
    int result =
        libusb_get_string_descriptor(handle, usb::msOs10StringIndex, 0, string, sizeof string);
    if (result < 0) {
        return {fromFailure(result, "reading string descriptor 0xEE"), 0};
    }
    const auto vendorCode =
        usb::msOs10VendorCode(std::span(string, static_cast<std::size_t>(result)));
    if (!vendorCode) {
        return {};
    }
    Ms10Result outcome;
    // Reads as much of an interface's extended properties as `properties` holds and keeps what
    // arrived; false when the read failed.
    const auto readProperties = [&](std::uint8_t number, std::vector<std::uint8_t>& properties) {
        const int got = readAnnounced(handle, vendorInterfaceIn, *vendorCode, number,
                                      usb::msOs10ExtendedPropertiesIndex, properties);
        if (got < 0) {
            if (fromFailure(got, "reading extended properties") == Probe::Inconclusive) {
                outcome.probe = Probe::Inconclusive;
            }
            return false;
        }
        properties.resize(static_cast<std::size_t>(got));
        return true;
    };
    for (const std::uint8_t number : interfaces) {
        std::vector<std::uint8_t> properties(usb::msOs10ExtendedPropertiesHeaderSize);
        if (!readProperties(number, properties)) {
            continue;
        }
        const auto length = usb::extendedPropertiesLength(properties);
        if (!length) {
            continue;
        }
        properties.resize(std::min(*length, largestExtendedProperties));
        if (!readProperties(number, properties)) {
            continue;
        }
        if (usb::extendedPropertiesName(properties, usb::cameraInterfaceGuid)) {
            return {Probe::Match, number};
        }
    }
    return outcome;
}

}  // namespace

void PermissionNotices::report(const DeviceKey& device) {
    if (!reported_.insert(device).second) {
        return;
    }
    std::fprintf(stderr,
                 "QLV_API: no permission to open the USB device %04x:%04x (bus %u, address %u).\n"
                 "  If this is the camera, give yourself access with the camera's udev rule (in\n"
                 "  the QLV sources), then plug the camera in again:\n"
                 "    sudo cp packaging/udev/70-qlv-camera.rules /etc/udev/rules.d/\n"
                 "    sudo udevadm control --reload-rules\n"
                 "  A camera with other USB ids has to be added to that rule and to QLV_USB_IDS;\n"
                 "  see \"Real camera\" in the README.\n",
                 device.vendor, device.product, device.bus, device.address);
}

std::optional<DeviceKey> keyOf(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
        return std::nullopt;
    }
    return DeviceKey{libusb_get_bus_number(device), libusb_get_device_address(device),
                     descriptor.idVendor, descriptor.idProduct};
}

CandidateFinder::CandidateFinder(std::vector<usb::UsbId> listed, PermissionNotices& notices)
    : listed_(std::move(listed)), notices_(notices) {}

std::vector<Candidate> CandidateFinder::find(std::span<libusb_device* const> devices) {
    const auto now = Clock::now();
    std::vector<Candidate> found;
    std::set<DeviceKey> present;
    for (libusb_device* device : devices) {
        const auto key = keyOf(device);
        if (!key) {
            continue;
        }
        present.insert(*key);
        auto known = known_.find(*key);
        if (known == known_.end()) {
            known = known_.emplace(*key, probe(device, *key)).first;
        } else if (const Known& earlier = known->second;
                   now >= earlier.retryAt &&
                   (earlier.retry == Retry::Always ||
                    (earlier.retry == Retry::Limited && earlier.attempts < limitedAttempts))) {
            const int attempts = earlier.attempts + 1;
            known->second = probe(device, *key);
            known->second.attempts = attempts;
        }
        if (known->second.candidate) {
            found.push_back({device, *known->second.candidate});
        }
    }
    // A device that left is forgotten; whatever comes back later is probed afresh.
    std::erase_if(known_, [&](const auto& entry) { return !present.contains(entry.first); });
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.info.bus, a.info.address) < std::tie(b.info.bus, b.info.address);
    });
    return found;
}

CandidateFinder::Known CandidateFinder::probe(libusb_device* device, const DeviceKey& key) {
    CandidateInfo info{key.bus, key.address, {key.vendor, key.product}, MatchedBy::UsbIds, 0};
    const auto interfaces = vendorSpecificInterfaces(device);

    if (std::find(listed_.begin(), listed_.end(), info.id) != listed_.end()) {
        // Listed by the user: the camera's interface is the first vendor-specific one, else the
        // first of all.
        info.interfaceNumber = interfaces.empty() ? 0 : interfaces.front();
        return {info};
    }
    if (interfaces.empty()) {
        return {};
    }

    libusb_device_handle* raw = nullptr;
    const int opened = libusb_open(device, &raw);
    if (opened != LIBUSB_SUCCESS) {
        if (outcomeOf(opened, "opening a USB device to read its descriptors") ==
            UsbOutcome::AccessDenied) {
            notices_.report(key);
            return {std::nullopt, Retry::Always, Clock::now() + retryAfter};
        }
        return {std::nullopt, Retry::Limited, Clock::now() + retryAfter};
    }
    const Handle handle(raw);
    bool inconclusive = false;

    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(device, &descriptor);
    if (descriptor.bcdUSB >= 0x0201) {  // a BOS descriptor exists from USB 2.01 on
        const auto ms20 = probeMsOs20(handle.get());
        if (ms20.probe == Probe::Match) {
            info.matchedBy = MatchedBy::MsOs20Descriptors;
            info.interfaceNumber = ms20.firstInterface.value_or(interfaces.front());
            return {info};
        }
        inconclusive = ms20.probe == Probe::Inconclusive;
    }
    const auto ms10 = probeMsOs10(handle.get(), interfaces);
    if (ms10.probe == Probe::Match) {
        info.matchedBy = MatchedBy::MsOs10Descriptors;
        info.interfaceNumber = ms10.interfaceNumber;
        return {info};
    }
    inconclusive = inconclusive || ms10.probe == Probe::Inconclusive;
    if (inconclusive) {
        return {std::nullopt, Retry::Limited, Clock::now() + retryAfter};
    }
    return {};
}

}  // namespace qlv
