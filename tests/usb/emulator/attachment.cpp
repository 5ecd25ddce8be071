#include "attachment.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <virtual_camera/virtual_camera.h>

namespace usbemu {
// A URB from SUBMITURB until it is reaped.
struct Urb {
    enum class Stage { Queued, InService, Done };

    ~Urb() {
        if (bufferData != nullptr) {
            g_object_unref(bufferData);
        }
        if (urbData != nullptr) {
            g_object_unref(urbData);
        }
    }

    ClientState* owner = nullptr;  // null once the client that submitted it has gone
    // The client's URB and, for control transfers, its buffer, as umockdev mirrors them; written
    // back to the client when the URB is reaped.
    UMockdevIoctlData* urbData = nullptr;
    UMockdevIoctlData* bufferData = nullptr;
    unsigned long clientAddress = 0;
    unsigned char type = 0;
    unsigned char endpoint = 0;
    std::uint8_t* clientBuffer = nullptr;  // bulk IN: filled in place
    std::size_t length = 0;
    Setup setup;
    std::vector<std::uint8_t> outData;

    Stage stage = Stage::Queued;
    int status = 0;
    std::size_t actual = 0;
    std::vector<std::uint8_t> inData;
    std::stop_source cancel;
};

// One open file descriptor on the device node.
struct ClientState {
    UMockdevIoctlClient* client = nullptr;        // referenced
    std::vector<std::shared_ptr<Urb>> submitted;  // not yet reaped
    std::deque<std::shared_ptr<Urb>> done;        // to be reaped, in completion order
};

namespace {

// How often closed descriptors are looked for (see onClientConnected).
constexpr guint closedWatchPeriodMs = 20;

struct UnrefData {
    void operator()(UMockdevIoctlData* data) const { g_object_unref(data); }
};
using DataRef = std::unique_ptr<UMockdevIoctlData, UnrefData>;

// The client memory a pointer inside `data` points to; null when it cannot be read.
DataRef resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t size) {
    GError* error = nullptr;
    UMockdevIoctlData* resolved = umockdev_ioctl_data_resolve(data, offset, size, &error);
    if (error != nullptr) {
        std::fprintf(stderr, "usbemu: cannot read the client's memory: %s\n", error->message);
        g_error_free(error);
        return nullptr;
    }
    return DataRef(resolved);
}

template <typename T>
std::optional<T> readArg(UMockdevIoctlData* arg) {
    DataRef data = resolve(arg, 0, sizeof(T));
    if (!data || static_cast<std::size_t>(data->data_len) < sizeof(T)) {
        return std::nullopt;
    }
    T value;
    std::memcpy(&value, data->data, sizeof(T));
    return value;
}

// True when the URB the client submitted lies at the same address in this process, holding the
// same bytes (its pointers included): then the client is this process and its buffer can be
// written in place. Read with process_vm_readv, which fails instead of faulting when the address
// is not mapped here.
bool submittedByThisProcess(unsigned long address, const std::uint8_t* bytes, std::size_t size) {
    std::vector<std::uint8_t> local(size);
    iovec mine{local.data(), size};
    iovec theirs{reinterpret_cast<void*>(address), size};
    return process_vm_readv(getpid(), &mine, 1, &theirs, 1, 0) == static_cast<ssize_t>(size) &&
           std::memcmp(local.data(), bytes, size) == 0;
}

void writeField(UMockdevIoctlData* urb, std::size_t offset, int value) {
    std::memcpy(urb->data + offset, &value, sizeof value);
}

std::string threeDigits(int number) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", number);
    return text;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char pair[3];
    for (std::uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

}  // namespace

Attachment::Attachment(Place place, const DeviceDescriptors& descriptors,
                       std::shared_ptr<vcam::VirtualCamera> camera, UsageCounters& counters)
    : place_(std::move(place)),
      descriptors_(descriptors),
      camera_(std::move(camera)),
      counters_(counters) {
    devnode_ = "/dev/bus/usb/" + threeDigits(place_.bus) + "/" + threeDigits(place_.deviceNumber);
    nodePath_ = place_.rootDir + devnode_;
    syspath_ = "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(place_.bus) + "/" +
               std::to_string(place_.bus) + "-" + std::to_string(place_.port);
    control_ = std::jthread([this](std::stop_token stop) { serveControl(std::move(stop)); });
    // A host controller keeps every submitted bulk URB pending at the device: a lane per URB in
    // service, enough for the reads a host keeps queued.
    constexpr int bulkLaneCount = 4;
    for (int lane = 0; lane < bulkLaneCount; ++lane) {
        bulkLanes_.emplace_back([this](std::stop_token stop) { serveBulkIn(std::move(stop)); });
    }
}

Attachment::~Attachment() {
    {
        std::lock_guard lock(mutex_);
        gone_ = true;
        for (const auto& urb : bulkInService_) {
            urb->cancel.request_stop();
        }
    }
    control_.request_stop();
    for (auto& lane : bulkLanes_) {
        lane.request_stop();
    }
    control_.join();
    bulkLanes_.clear();  // joins them
    if (closedWatch_ != nullptr) {
        g_source_destroy(closedWatch_);
        g_source_unref(closedWatch_);
    }
    for (auto& [client, state] : clients_) {
        g_object_unref(client);
    }
    if (handler_ != nullptr) {
        g_signal_handlers_disconnect_by_data(handler_, this);
        g_object_unref(handler_);
    }
    if (fifo_ >= 0) {
        ::close(fifo_);
    }
}

std::string Attachment::sysfsDescription() const {
    const int bus = place_.bus;
    const int device = place_.deviceNumber;
    const int minor = (bus - 1) * 128 + (device - 1);
    char ids[32];
    std::snprintf(ids, sizeof ids, "%04x/%x/100", descriptors_.vendorId(),
                  descriptors_.productId());
    char vendor[8];
    char product[8];
    std::snprintf(vendor, sizeof vendor, "%04x", descriptors_.vendorId());
    std::snprintf(product, sizeof product, "%04x", descriptors_.productId());
    // Attribute values end in an escaped newline, as the kernel writes them.
    std::string text = "P: " + syspath_.substr(4) + "\n";
    text += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    text += "E: DEVNAME=" + devnode_ + "\n";
    text += "E: BUSNUM=" + threeDigits(bus) + "\nE: DEVNUM=" + threeDigits(device) + "\n";
    text += "E: MAJOR=189\nE: MINOR=" + std::to_string(minor) + "\n";
    text += std::string("E: PRODUCT=") + ids + "\n";
    text += "A: busnum=" + std::to_string(bus) + "\\n\n";
    text += "A: devnum=" + std::to_string(device) + "\\n\n";
    text += "A: dev=189:" + std::to_string(minor) + "\\n\n";
    text += "A: speed=480\\n\nA: bConfigurationValue=1\\n\nA: bNumInterfaces= 1\\n\n";
    text += std::string("A: idVendor=") + vendor + "\\n\nA: idProduct=" + product + "\\n\n";
    text += "A: manufacturer=" + descriptors_.manufacturer() + "\\n\n";
    text += "A: product=" + descriptors_.product() + "\\n\n";
    text += "A: serial=" + descriptors_.serial() + "\\n\n";
    text += "H: descriptors=" + hex(descriptors_.sysfsDescriptors()) + "\n";
    return text;
}

void Attachment::plugIn() {
    std::filesystem::create_directories(std::filesystem::path(nodePath_).parent_path());
    if (mkfifo(nodePath_.c_str(), 0666) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "usbemu: cannot make %s: %s\n", nodePath_.c_str(),
                     std::strerror(errno));
        return;
    }
    fifo_ = ::open(nodePath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    {
        std::lock_guard lock(mutex_);
        ready_ = true;  // a fresh FIFO is empty, hence writable: make it not ready
        updateReadiness();
    }

    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler_, "client-connected", G_CALLBACK(onClientConnected), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(place_.testbed, devnode_.c_str(), handler_, &error)) {
        std::fprintf(stderr, "usbemu: cannot attach to %s: %s\n", devnode_.c_str(),
                     error != nullptr ? error->message : "?");
        g_clear_error(&error);
        return;
    }
    if (!umockdev_testbed_add_from_string(place_.testbed, sysfsDescription().c_str(), &error)) {
        std::fprintf(stderr, "usbemu: cannot add %s: %s\n", syspath_.c_str(),
                     error != nullptr ? error->message : "?");
        g_clear_error(&error);
    }
}

void Attachment::pullOut() {
    {
        std::lock_guard lock(mutex_);
        if (gone_) {
            return;
        }
        gone_ = true;
        for (auto* queue : {&controlQueue_, &bulkQueue_}) {
            while (!queue->empty()) {
                auto urb = queue->front();
                queue->pop_front();
                finish(urb, -ENODEV, 0);
            }
        }
        // A read in service ends now; the camera's cable is out too, or the read is stopped.
        for (const auto& urb : bulkInService_) {
            urb->cancel.request_stop();
        }
    }
    work_.notify_all();
    // Programs that have the node open keep being served (reaping what was in flight); new opens
    // fail as the node is gone.
    GError* error = nullptr;
    if (!umockdev_testbed_detach_ioctl(place_.testbed, devnode_.c_str(), &error)) {
        g_clear_error(&error);
    }
    ::unlink(nodePath_.c_str());
    umockdev_testbed_uevent(place_.testbed, syspath_.c_str(), "remove");
    umockdev_testbed_remove_device(place_.testbed, syspath_.c_str());
}

int Attachment::openClients() const {
    std::lock_guard lock(mutex_);

    return static_cast<int>(clients_.size());
}

bool Attachment::interfaceClaimed() const {
    std::lock_guard lock(mutex_);
    return claimedBy_ != nullptr;
}

// ---- umockdev's worker thread ----------------------------------------------------------------

gboolean Attachment::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* attachment = static_cast<Attachment*>(self);
    attachment->watchForClosedClients();
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const Reply reply =
        attachment->dispatch(client, request, umockdev_ioctl_client_get_arg(client));
    umockdev_ioctl_client_complete(client, reply.result, reply.error);
    return TRUE;
}

void Attachment::onClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* attachment = static_cast<Attachment*>(self);
    {
        std::lock_guard lock(attachment->mutex_);
        attachment->stateOf(client);
    }
    attachment->watchForClosedClients();
}

void Attachment::watchForClosedClients() {
    // umockdev 0.17 neither emits client-vanished nor notifies its "connected" property (the
    // stream it watches never notifies being closed): the property is looked at now and then, on
    // umockdev's worker thread (this one), while there are clients.
    if (closedWatch_ != nullptr) {
        return;
    }
    closedWatch_ = g_timeout_source_new(closedWatchPeriodMs);
    g_source_set_callback(closedWatch_, onClosedWatch, this, nullptr);
    g_source_attach(closedWatch_, g_main_context_get_thread_default());
}

gboolean Attachment::onClosedWatch(gpointer self) {
    auto* attachment = static_cast<Attachment*>(self);
    std::vector<UMockdevIoctlClient*> closed;
    {
        std::lock_guard lock(attachment->mutex_);
        for (const auto& [client, state] : attachment->clients_) {
            if (!umockdev_ioctl_client_get_connected(client)) {
                closed.push_back(client);
            }
        }
    }
    for (UMockdevIoctlClient* client : closed) {
        attachment->dropClient(client);
    }
    std::lock_guard lock(attachment->mutex_);
    if (!attachment->clients_.empty()) {
        return G_SOURCE_CONTINUE;
    }
    g_source_unref(attachment->closedWatch_);
    attachment->closedWatch_ = nullptr;
    return G_SOURCE_REMOVE;
}

ClientState& Attachment::stateOf(UMockdevIoctlClient* client) {
    auto& state = clients_[client];
    if (!state) {
        state = std::make_unique<ClientState>();
        state->client = static_cast<UMockdevIoctlClient*>(g_object_ref(client));
    }
    return *state;
}

void Attachment::dropClient(UMockdevIoctlClient* client) {
    {
        std::lock_guard lock(mutex_);
        const auto found = clients_.find(client);
        if (found == clients_.end()) {
            return;
        }
        // A closed descriptor takes its URBs with it, as the kernel kills them on close.
        for (const auto& urb : found->second->submitted) {
            urb->owner = nullptr;
            forget(urb);
        }
        if (claimedBy_ == client) {
            counters_.closedWhileClaimed.fetch_add(1);
            claimedBy_ = nullptr;
        }
        clients_.erase(found);
        updateReadiness();
    }
    g_object_unref(client);
}

Attachment::Reply Attachment::dispatch(UMockdevIoctlClient* client, unsigned long request,
                                       UMockdevIoctlData* arg) {
    constexpr Reply ok{0, 0};
    const auto fail = [](int error) { return Reply{-1, error}; };

    std::lock_guard lock(mutex_);
    ClientState& state = stateOf(client);
    if (request == USBDEVFS_REAPURBNDELAY) {
        return reap(state, arg);  // allowed after a disconnect, as in the kernel
    }
    if (gone_) {
        return fail(ENODEV);
    }
    switch (request) {
        case USBDEVFS_SUBMITURB:
            return submit(state, arg);
        case USBDEVFS_DISCARDURB:
            return discard(state, arg);
        case USBDEVFS_GET_CAPABILITIES: {
            // Scatter-gather: one URB carries a whole frame instead of 16 KiB pieces.
            const __u32 capabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                       USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                       USBDEVFS_CAP_BULK_SCATTER_GATHER;
            DataRef out = resolve(arg, 0, sizeof capabilities);
            if (!out) {
                return fail(EFAULT);
            }
            std::memcpy(out->data, &capabilities, sizeof capabilities);
            return ok;
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE: {
            const auto number = readArg<unsigned int>(arg);
            if (!number) {
                return fail(EFAULT);
            }
            return request == USBDEVFS_CLAIMINTERFACE ? claim(state, *number)
                                                      : release(state, *number);
        }
        case USBDEVFS_DISCONNECT_CLAIM: {
            const auto command = readArg<usbdevfs_disconnect_claim>(arg);
            if (!command) {
                return fail(EFAULT);
            }
            return claim(state, command->interface);  // no driver to disconnect
        }
        case USBDEVFS_SETINTERFACE: {
            const auto setting = readArg<usbdevfs_setinterface>(arg);
            if (!setting) {
                return fail(EFAULT);
            }
            return setting->interface == 0 && setting->altsetting == 0 ? ok : fail(EINVAL);
        }
        case USBDEVFS_SETCONFIGURATION: {
            const auto value = readArg<int>(arg);
            return value && (*value == 1 || *value == -1) ? ok : fail(EINVAL);
        }
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
        case USBDEVFS_RESET:
        case USBDEVFS_DISCSIGNAL:
        case USBDEVFS_DROP_PRIVILEGES:
            return ok;
        case USBDEVFS_GETDRIVER:
            return fail(ENODATA);  // no kernel driver is bound to the camera
        case USBDEVFS_IOCTL: {
            const auto command = readArg<usbdevfs_ioctl>(arg);
            if (!command) {
                return fail(EFAULT);
            }
            if (command->ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
                return fail(ENODATA);
            }
            return command->ioctl_code == static_cast<int>(USBDEVFS_CONNECT) ? ok : fail(ENOTTY);
        }
        case USBDEVFS_CONNECTINFO: {
            DataRef out = resolve(arg, 0, sizeof(usbdevfs_connectinfo));
            if (!out) {
                return fail(EFAULT);
            }
            usbdevfs_connectinfo info{place_.deviceNumber, 0};
            std::memcpy(out->data, &info, sizeof info);
            return ok;
        }
        case USBDEVFS_GET_SPEED:
            return {USB_SPEED_HIGH, 0};
        default:
            std::fprintf(stderr, "usbemu: ioctl 0x%lx is not emulated\n", request);
            return fail(ENOTTY);
    }
}

Attachment::Reply Attachment::claim(ClientState& state, unsigned int interfaceNumber) {
    if (interfaceNumber != 0) {
        return {-1, ENOENT};  // the device has one interface
    }
    if (claimedBy_ != nullptr && claimedBy_ != state.client) {
        return {-1, EBUSY};
    }
    claimedBy_ = state.client;
    return {0, 0};
}

Attachment::Reply Attachment::release(ClientState& state, unsigned int interfaceNumber) {
    if (interfaceNumber != 0 || claimedBy_ != state.client) {
        return {-1, EINVAL};
    }
    claimedBy_ = nullptr;
    return {0, 0};
}

Attachment::Reply Attachment::submit(ClientState& state, UMockdevIoctlData* arg) {
    DataRef urbData = resolve(arg, 0, sizeof(usbdevfs_urb));
    if (!urbData) {
        return {-1, EFAULT};
    }
    usbdevfs_urb urb{};
    std::memcpy(&urb, urbData->data, sizeof urb);
    auto entry = std::make_shared<Urb>();
    entry->owner = &state;
    entry->clientAddress = urbData->client_addr;
    entry->type = urb.type;
    entry->endpoint = urb.endpoint;
    entry->length = urb.buffer_length > 0 ? static_cast<std::size_t>(urb.buffer_length) : 0;
    entry->clientBuffer = static_cast<std::uint8_t*>(urb.buffer);

    if (urb.type == USBDEVFS_URB_TYPE_CONTROL) {
        if ((urb.endpoint & 0x7F) != 0 || entry->length < 8) {
            return {-1, EINVAL};
        }
        DataRef buffer = resolve(urbData.get(), offsetof(usbdevfs_urb, buffer), entry->length);
        if (!buffer) {
            return {-1, EFAULT};
        }
        const std::uint8_t* packet = buffer->data;
        entry->setup = {packet[0], packet[1],
                        static_cast<std::uint16_t>(packet[2] | packet[3] << 8),
                        static_cast<std::uint16_t>(packet[4] | packet[5] << 8),
                        static_cast<std::uint16_t>(packet[6] | packet[7] << 8)};
        if (entry->setup.length > entry->length - 8) {
            return {-1, EINVAL};
        }
        if (!entry->setup.isIn()) {
            entry->outData.assign(packet + 8, packet + 8 + entry->setup.length);
        }
        entry->bufferData = buffer.release();
        entry->urbData = urbData.release();
        state.submitted.push_back(entry);
        controlQueue_.push_back(entry);
        counters_.controlRequests.fetch_add(1);
        ++controlInFlight_;
        int most = counters_.mostControlUrbsInFlight.load();
        while (controlInFlight_ > most &&
               !counters_.mostControlUrbsInFlight.compare_exchange_weak(most, controlInFlight_)) {
        }
        work_.notify_all();
        return {0, 0};
    }

    if (urb.type != USBDEVFS_URB_TYPE_BULK || (urb.endpoint != 0x81 && urb.endpoint != 0x02)) {
        return {-1, ENOENT};  // the camera has no other endpoints in use
    }
    // usbfs claims the interface for the first transfer that needs it.
    if (const Reply claimed = claim(state, 0); claimed.result != 0) {
        return claimed;
    }
    if (urb.endpoint == 0x02) {
        entry->urbData = urbData.release();
        state.submitted.push_back(entry);
        finish(entry, 0, entry->length);  // the camera takes whatever it is sent
        return {0, 0};
    }
    if (!submittedByThisProcess(entry->clientAddress, urbData->data, sizeof urb)) {
        std::fprintf(stderr, "usbemu: bulk reads are served to the test process only\n");
        return {-1, ENOSYS};
    }
    entry->urbData = urbData.release();
    state.submitted.push_back(entry);
    bulkQueue_.push_back(entry);
    work_.notify_all();
    return {0, 0};
}

Attachment::Reply Attachment::reap(ClientState& state, UMockdevIoctlData* arg) {
    if (state.done.empty()) {
        return {-1, gone_ ? ENODEV : EAGAIN};
    }
    DataRef slot = resolve(arg, 0, sizeof(void*));
    if (!slot) {
        return {-1, EFAULT};
    }
    const std::shared_ptr<Urb> urb = state.done.front();
    state.done.pop_front();
    std::erase(state.submitted, urb);

    writeField(urb->urbData, offsetof(usbdevfs_urb, status), urb->status);
    writeField(urb->urbData, offsetof(usbdevfs_urb, actual_length), static_cast<int>(urb->actual));
    writeField(urb->urbData, offsetof(usbdevfs_urb, error_count), 0);
    if (urb->bufferData != nullptr && !urb->inData.empty()) {
        const std::size_t room = static_cast<std::size_t>(urb->bufferData->data_len) - 8;
        std::memcpy(urb->bufferData->data + 8, urb->inData.data(),
                    std::min(room, urb->inData.size()));
    }
    // The client's pointer is set to its URB; umockdev writes both back on completion.
    umockdev_ioctl_data_set_ptr(slot.get(), 0, urb->urbData);
    updateReadiness();
    return {0, 0};
}

Attachment::Reply Attachment::discard(ClientState& state, UMockdevIoctlData* arg) {
    unsigned long address = 0;
    std::memcpy(&address, arg->data,
                std::min(sizeof address, static_cast<std::size_t>(arg->data_len)));
    const auto found = std::find_if(state.submitted.begin(), state.submitted.end(), [&](auto& urb) {
        return urb->clientAddress == address && urb->stage != Urb::Stage::Done;
    });
    if (found == state.submitted.end()) {
        return {-1, EINVAL};  // done already: the client will reap it
    }
    const std::shared_ptr<Urb> urb = *found;
    counters_.discardedUrbs.fetch_add(1);
    if (urb->stage == Urb::Stage::Queued) {
        std::erase(controlQueue_, urb);
        std::erase(bulkQueue_, urb);
        finish(urb, -ENOENT, 0);
    } else {
        // A read in service stops; the camera no longer touches the buffer once it returns. A
        // control transfer in service completes as it is.
        urb->cancel.request_stop();
    }
    return {0, 0};
}

// ---- the device's threads --------------------------------------------------------------------

void Attachment::serveControl(std::stop_token stop) {
    pthread_setname_np(pthread_self(), "usbemu-ep0");
    std::unique_lock lock(mutex_);
    while (work_.wait(lock, stop, [&] { return !controlQueue_.empty(); })) {
        const std::shared_ptr<Urb> urb = controlQueue_.front();
        controlQueue_.pop_front();
        urb->stage = Urb::Stage::InService;
        const Setup setup = urb->setup;
        std::vector<std::uint8_t> data = urb->outData;
        lock.unlock();

        int status = 0;
        bool stall = false;
        if (auto answer = descriptors_.answer(setup, stall)) {
            data = std::move(*answer);
            status = stall ? -EPIPE : 0;
        } else {
            data.resize(setup.length);
            const vcam::SetupPacket packet{setup.requestType, setup.request, setup.value,
                                           setup.index, setup.length};
            const auto answered = camera_->control(packet, data);
            status = answered ? 0 : -EPIPE;
            data.resize(setup.isIn() ? std::min<std::size_t>(answered.value_or(0), setup.length)
                                     : 0);
        }
        const std::size_t actual = status != 0 ? 0 : setup.isIn() ? data.size() : setup.length;

        lock.lock();
        urb->inData = std::move(data);
        finish(urb, gone_ ? -ENODEV : status, gone_ ? 0 : actual);
    }
}

void Attachment::serveBulkIn(std::stop_token stop) {
    pthread_setname_np(pthread_self(), "usbemu-bulk");
    while (!stop.stop_requested()) {
        // One lane at a time takes the oldest URB and holds the turn until the camera has queued
        // it, so that the camera serves the URBs in the order they were submitted.
        std::unique_lock turn(bulkTurn_);
        std::unique_lock lock(mutex_);
        if (!work_.wait(lock, stop, [&] { return !bulkQueue_.empty(); })) {
            break;
        }
        const std::shared_ptr<Urb> urb = bulkQueue_.front();
        bulkQueue_.pop_front();
        urb->stage = Urb::Stage::InService;
        bulkInService_.push_back(urb);
        const std::stop_token cancel = urb->cancel.get_token();
        const std::span<std::uint8_t> buffer(urb->clientBuffer, urb->length);
        lock.unlock();

        // A host's bulk read has no deadline of its own: it lasts until the frame or a discard.
        const auto received =
            camera_->bulkIn(buffer, std::chrono::steady_clock::now() + std::chrono::hours(24),
                            cancel, [&turn] { turn.unlock(); });
        if (turn.owns_lock()) {
            turn.unlock();  // the camera refused the read before queueing it
        }
        const bool plugged = camera_->plugged();

        lock.lock();
        std::erase(bulkInService_, urb);
        if (gone_ || !plugged) {
            finish(urb, -ENODEV, 0);
        } else if (!received) {
            finish(urb, -EPROTO, 0);  // a failed transfer on a connected device
        } else if (*received == 0 && cancel.stop_requested()) {
            finish(urb, -ENOENT, 0);
        } else {
            counters_.bulkInCompleted.fetch_add(1);
            finish(urb, 0, *received);
        }
    }
}

// ---- shared ----------------------------------------------------------------------------------

void Attachment::finish(const std::shared_ptr<Urb>& urb, int status, std::size_t actual) {
    if (urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->stage != Urb::Stage::Done) {
        --controlInFlight_;
    }
    urb->stage = Urb::Stage::Done;
    urb->status = status;
    urb->actual = actual;
    if (urb->owner == nullptr) {
        return;  // its client has gone
    }
    urb->owner->done.push_back(urb);
    updateReadiness();
}

void Attachment::forget(const std::shared_ptr<Urb>& urb) {
    if (urb->stage == Urb::Stage::Queued) {
        std::erase(controlQueue_, urb);
        std::erase(bulkQueue_, urb);
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            --controlInFlight_;
        }
        urb->stage = Urb::Stage::Done;
    } else if (urb->stage == Urb::Stage::InService) {
        urb->cancel.request_stop();
    }
}

void Attachment::updateReadiness() {
    const bool want = std::any_of(clients_.begin(), clients_.end(),
                                  [](const auto& entry) { return !entry.second->done.empty(); });
    if (want == ready_ || fifo_ < 0) {
        return;
    }
    // A full pipe does not poll writable; an empty one does. libusb waits for "writable".
    pipeBytes_.resize(65536);
    if (want) {
        while (::read(fifo_, pipeBytes_.data(), pipeBytes_.size()) > 0) {
        }
    } else {
        while (::write(fifo_, pipeBytes_.data(), pipeBytes_.size()) > 0) {
        }
    }
    ready_ = want;
}

}  // namespace usbemu
