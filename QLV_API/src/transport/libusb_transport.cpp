#include "transport/libusb_transport.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "thread_annotations.h"
#include "transport/libusb_bulk_queue.h"
#include "transport/libusb_probe.h"
#include "transport/libusb_results.h"
#include "transport/libusb_session.h"

namespace qlv {
namespace {

struct FreeDeviceList {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};

// The devices on the bus, referenced until the list goes.
class DeviceList {
public:
    explicit DeviceList(libusb_context* context) {
        libusb_device** raw = nullptr;
        const ssize_t count = libusb_get_device_list(context, &raw);
        if (count < 0) {
            outcomeOf(static_cast<int>(count), "listing USB devices");
            return;
        }
        list_.reset(raw);
        count_ = static_cast<std::size_t>(count);
    }
    bool valid() const { return list_ != nullptr; }
    std::span<libusb_device* const> devices() const { return {list_.get(), count_}; }

private:
    std::unique_ptr<libusb_device*, FreeDeviceList> list_;
    std::size_t count_ = 0;
};

struct CloseHandle {
    void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using Handle = std::unique_ptr<libusb_device_handle, CloseHandle>;

struct FreeConfig {
    void operator()(libusb_config_descriptor* config) const {
        libusb_free_config_descriptor(config);
    }
};

// Releases a claimed interface unless the open that claimed it succeeds.
class ClaimedInterface {
public:
    ClaimedInterface(libusb_device_handle* handle, int number) : handle_(handle), number_(number) {}
    ~ClaimedInterface() {
        if (handle_ != nullptr) {
            libusb_release_interface(handle_, number_);
        }
    }
    ClaimedInterface(const ClaimedInterface&) = delete;
    ClaimedInterface& operator=(const ClaimedInterface&) = delete;
    void keep() { handle_ = nullptr; }

private:
    libusb_device_handle* handle_;
    int number_;
};

// The bulk IN pipe of alternate setting 0 when every endpoint is one the camera may have: bulk
// (IN for the frames, OUT allowed) or interrupt. An isochronous or control endpoint, or no bulk
// IN pipe at all, is not the camera.
std::optional<std::uint8_t> cameraBulkIn(const libusb_interface_descriptor& setting) {
    std::optional<std::uint8_t> bulkIn;
    for (int i = 0; i < setting.bNumEndpoints; ++i) {
        const libusb_endpoint_descriptor& endpoint = setting.endpoint[i];
        switch (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) {
            case LIBUSB_ENDPOINT_TRANSFER_TYPE_BULK:
                if ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0 && !bulkIn) {
                    bulkIn = endpoint.bEndpointAddress;
                }
                break;
            case LIBUSB_ENDPOINT_TRANSFER_TYPE_INTERRUPT:
                break;
            default:
                return std::nullopt;
        }
    }
    return bulkIn;
}

const libusb_interface_descriptor* settingZero(const libusb_config_descriptor& config,
                                               std::uint8_t interfaceNumber) {
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& interface = config.interface[i];
        for (int s = 0; s < interface.num_altsetting; ++s) {
            const libusb_interface_descriptor& setting = interface.altsetting[s];
            if (setting.bInterfaceNumber == interfaceNumber && setting.bAlternateSetting == 0) {
                return &setting;
            }
        }
    }
    return nullptr;
}

std::vector<usb::UsbId> idsFromEnvironment() {
    const char* text = std::getenv("QLV_USB_IDS");
    if (text == nullptr) {
        return {};
    }
    auto ids = usb::parseUsbIds(text);
    if (!ids) {
        std::fprintf(stderr,
                     "QLV_API: QLV_USB_IDS=\"%s\" is not a list like 1209:0001,abcd:0123 "
                     "(four hex digits, a colon, four hex digits, separated by commas); "
                     "it is ignored.\n",
                     text);
        return {};
    }
    return *ids;
}

}  // namespace

const char* describe(MatchedBy how) {
    switch (how) {
        case MatchedBy::UsbIds:
            return "QLV_USB_IDS";
        case MatchedBy::MsOs20Descriptors:
            return "MS OS 2.0 descriptors";
        case MatchedBy::MsOs10Descriptors:
            return "MS OS 1.0 descriptors";
    }
    return "?";
}

struct LibusbTransport::Impl {
    explicit Impl(std::vector<usb::UsbId> ids) : finder(std::move(ids), notices) {}

    // The open device, or nothing. Replaced only by open() and close() (the monitor thread);
    // transfers read it under the lock and the library never closes it while one is in flight.
    struct OpenDevice {
        Handle handle;
        int interfaceNumber = 0;
        std::uint8_t bulkIn = 0;
    };

    libusb_device_handle* handle() {
        MutexLock lock(deviceMutex);
        return device.handle.get();
    }

    std::optional<OpenDevice> openCandidate(const Candidate& candidate) REQUIRES(enumerationMutex);

    LibusbSession session;

    // Guards the finder and the notices: counts, opens and tool listings may come from different
    // threads.
    Mutex enumerationMutex;
    PermissionNotices notices GUARDED_BY(enumerationMutex);
    CandidateFinder finder GUARDED_BY(enumerationMutex);

    Mutex deviceMutex;
    OpenDevice device GUARDED_BY(deviceMutex);
};

std::optional<LibusbTransport::Impl::OpenDevice> LibusbTransport::Impl::openCandidate(
    const Candidate& candidate) {
    libusb_device_handle* raw = nullptr;
    const int opened = libusb_open(candidate.device, &raw);
    if (opened != LIBUSB_SUCCESS) {
        if (outcomeOf(opened, "opening the camera") == UsbOutcome::AccessDenied) {
            if (const auto key = keyOf(candidate.device)) {
                notices.report(*key);
            }
        }
        return std::nullopt;
    }
    Handle handle(raw);
    // A kernel driver bound to the interface is detached for the claim and attached again when
    // the interface is released. Not every platform can; the claim then tells.
    libusb_set_auto_detach_kernel_driver(handle.get(), 1);

    const int number = candidate.info.interfaceNumber;
    if (outcomeOf(libusb_claim_interface(handle.get(), number),
                  "claiming the camera's interface") != UsbOutcome::Done) {
        return std::nullopt;
    }
    ClaimedInterface claim(handle.get(), number);

    libusb_config_descriptor* rawConfig = nullptr;
    if (outcomeOf(libusb_get_active_config_descriptor(candidate.device, &rawConfig),
                  "reading the camera's configuration") != UsbOutcome::Done) {
        return std::nullopt;
    }
    const std::unique_ptr<libusb_config_descriptor, FreeConfig> config(rawConfig);
    const libusb_interface_descriptor* setting =
        settingZero(*config, candidate.info.interfaceNumber);
    const auto bulkIn = setting != nullptr ? cameraBulkIn(*setting) : std::nullopt;
    if (!bulkIn) {
        return std::nullopt;
    }
    claim.keep();
    return OpenDevice{std::move(handle), number, *bulkIn};
}

LibusbTransport::LibusbTransport() : LibusbTransport(idsFromEnvironment()) {}

LibusbTransport::LibusbTransport(std::vector<usb::UsbId> listedIds)
    : impl_(std::make_unique<Impl>(std::move(listedIds))) {}

LibusbTransport::~LibusbTransport() {
    close();
}

int LibusbTransport::countCameras() {
    return static_cast<int>(candidates().size());
}

std::vector<CandidateInfo> LibusbTransport::candidates() {
    libusb_context* context = impl_->session.context();
    if (context == nullptr) {
        return {};
    }
    MutexLock lock(impl_->enumerationMutex);
    const DeviceList list(context);
    std::vector<CandidateInfo> infos;
    for (const Candidate& candidate : impl_->finder.find(list.devices())) {
        infos.push_back(candidate.info);
    }
    return infos;
}

bool LibusbTransport::open() {
    close();
    libusb_context* context = impl_->session.context();
    if (context == nullptr) {
        return false;
    }
    std::optional<Impl::OpenDevice> opened;
    {
        MutexLock lock(impl_->enumerationMutex);
        const DeviceList list(context);
        const auto found = impl_->finder.find(list.devices());
        if (found.empty()) {
            return false;
        }
        opened = impl_->openCandidate(found.front());
    }
    if (!opened) {
        return false;
    }
    MutexLock lock(impl_->deviceMutex);
    impl_->device = std::move(*opened);
    return true;
}

void LibusbTransport::close() {
    Impl::OpenDevice closing;
    {
        MutexLock lock(impl_->deviceMutex);
        closing = std::move(impl_->device);
        impl_->device = {};
    }
    if (closing.handle) {
        // A device that left the bus cannot release anything; closing the handle is what counts.
        libusb_release_interface(closing.handle.get(), closing.interfaceNumber);
    }
}

bool LibusbTransport::controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                                      std::chrono::milliseconds timeout) {
    libusb_device_handle* handle = impl_->handle();
    if (handle == nullptr || data.size() < setup.length) {
        return false;
    }
    const auto milliseconds = static_cast<unsigned int>(std::max<long long>(timeout.count(), 1));
    const int result =
        libusb_control_transfer(handle, setup.requestType, setup.request, setup.value, setup.index,
                                data.data(), setup.length, milliseconds);
    return outcomeOf(result, "control transfer") == UsbOutcome::Done;
}

std::unique_ptr<BulkQueue> LibusbTransport::bulkQueue() {
    MutexLock lock(impl_->deviceMutex);
    return std::make_unique<LibusbBulkQueue>(impl_->device.handle.get(), impl_->device.bulkIn);
}

std::optional<std::size_t> LibusbTransport::readBulk(std::span<std::uint8_t> buffer,
                                                     std::chrono::milliseconds limit,
                                                     std::stop_token stop) {
    const auto queue = bulkQueue();
    if (!queue->submit(buffer)) {
        return std::nullopt;
    }
    return queue->next(limit, std::move(stop));
}

std::vector<CandidateInfo> listCandidates() {
    return LibusbTransport().candidates();
}

}  // namespace qlv
