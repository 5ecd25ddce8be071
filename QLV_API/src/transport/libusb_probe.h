// The candidate rule applied to the devices libusb lists. Internal to the libusb transport.
#pragma once

#include <libusb.h>

#include <chrono>
#include <compare>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "transport/libusb_transport.h"

namespace qlv {

// A device on the bus as long as it stays plugged in: a replugged device gets a new address.
struct DeviceKey {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;

    friend auto operator<=>(const DeviceKey&, const DeviceKey&) = default;
};

// Says once per device that it cannot be opened for want of permission, with the fix.
class PermissionNotices {
public:
    void report(const DeviceKey& device);

private:
    std::set<DeviceKey> reported_;
};

struct Candidate {
    libusb_device* device = nullptr;  // valid while the list it came from is
    CandidateInfo info;
};

// Not thread-safe: the transport calls it under its enumeration lock.
class CandidateFinder {
public:
    CandidateFinder(std::vector<usb::UsbId> listed, PermissionNotices& notices);

    // The candidates among `devices`, by bus and then address. A device seen for the first time
    // is probed: its cached descriptors are read, and a device with a vendor-specific interface
    // is opened for its Microsoft OS descriptors. Nothing else is sent to any device.
    std::vector<Candidate> find(std::span<libusb_device* const> devices);

private:
    enum class Retry { Never, Limited, Always };
    struct Known {
        std::optional<CandidateInfo> candidate;
        // A probe that could not finish is tried again later, not at every count: always when
        // permission was missing (it may be granted), a few times when a read failed.
        Retry retry = Retry::Never;
        std::chrono::steady_clock::time_point retryAt{};
        int attempts = 1;
    };

    Known probe(libusb_device* device, const DeviceKey& key);

    std::vector<usb::UsbId> listed_;
    PermissionNotices& notices_;
    std::map<DeviceKey, Known> known_;
};

// The key of a device from its cached descriptor; nullopt when libusb cannot give it.
std::optional<DeviceKey> keyOf(libusb_device* device);

}  // namespace qlv
