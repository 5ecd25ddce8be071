#include "usbfs_emulator.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <virtual_camera/virtual_camera.h>

#include "attachment.h"

namespace usbemu {
namespace {

// How often the bus looks at the cameras' cables. Only the cameras' own faults and desk commands
// need it; the tests' unplug and plug act at once.
constexpr auto cablePeriod = std::chrono::milliseconds(10);

// Device numbers as a hub hands them out: 1 is the root hub, then upwards, wrapping at 127.
int nextAfter(int number) {
    return number >= 127 ? 2 : number + 1;
}

// umockdev's worker thread takes the name of the thread that makes the testbed: made under a
// name of its own, its CPU time is told apart from the program's.
UMockdevTestbed* newTestbed() {
    char caller[16] = {};
    pthread_getname_np(pthread_self(), caller, sizeof caller);
    pthread_setname_np(pthread_self(), "umockdev-worker");
    UMockdevTestbed* testbed = umockdev_testbed_new();
    pthread_setname_np(pthread_self(), caller);
    return testbed;
}

}  // namespace

struct Emulator::Testbed {
    Testbed() : testbed(newTestbed()) {
        gchar* root = umockdev_testbed_get_root_dir(testbed);
        rootDir = root;
        g_free(root);
    }
    // Stops umockdev's worker thread and removes the testbed folder.
    ~Testbed() { g_object_unref(testbed); }

    UMockdevTestbed* testbed;
    std::string rootDir;
};

// ---- EmulatedDevice --------------------------------------------------------------------------

EmulatedDevice::EmulatedDevice(Emulator& emulator, std::shared_ptr<vcam::VirtualCamera> camera,
                               DeviceDescriptors descriptors, std::uint8_t port)
    : emulator_(emulator),
      camera_(std::move(camera)),
      descriptors_(std::move(descriptors)),
      port_(port) {}

void EmulatedDevice::unplug() {
    camera_->unplug();
    std::lock_guard lock(emulator_.busMutex_);
    emulator_.syncCable(*this);
}

void EmulatedDevice::plug() {
    camera_->plug();
    std::lock_guard lock(emulator_.busMutex_);
    emulator_.syncCable(*this);
}

std::optional<std::uint8_t> EmulatedDevice::address() const {
    std::lock_guard lock(emulator_.busMutex_);
    if (current_ == nullptr) {
        return std::nullopt;
    }
    return current_->deviceNumber();
}

DeviceStats EmulatedDevice::stats() const {
    DeviceStats stats;
    stats.controlRequests = counters_.controlRequests.load();
    stats.closedWhileClaimed = counters_.closedWhileClaimed.load();
    stats.discardedUrbs = counters_.discardedUrbs.load();
    stats.mostControlUrbsInFlight = counters_.mostControlUrbsInFlight.load();
    stats.bulkInCompleted = counters_.bulkInCompleted.load();
    std::lock_guard lock(emulator_.busMutex_);
    if (current_ != nullptr) {
        stats.openClients = current_->openClients();
        stats.interfaceClaimed = current_->interfaceClaimed();
    }
    return stats;
}

// ---- Emulator --------------------------------------------------------------------------------

Emulator::Emulator() : testbed_(std::make_unique<Testbed>()) {
    cableWatcher_ = std::jthread([this](std::stop_token stop) { followCables(std::move(stop)); });
}

Emulator::~Emulator() {
    cableWatcher_.request_stop();
    cableWatcher_.join();
    {
        std::lock_guard lock(busMutex_);
        for (auto& device : devices_) {
            if (device->current_ != nullptr) {
                device->current_->pullOut();
                device->current_ = nullptr;
            }
        }
    }
    // umockdev's worker ends first, so no handler runs while the devices end their threads.
    testbed_.reset();
    devices_.clear();
}

std::string Emulator::rootDir() const {
    return testbed_->rootDir;
}

EmulatedDevice& Emulator::add(std::shared_ptr<vcam::VirtualCamera> camera, Variant variant,
                              std::uint16_t vendorId, std::uint16_t productId) {
    std::lock_guard lock(busMutex_);
    const auto port = static_cast<std::uint8_t>(devices_.size() + 1);
    devices_.push_back(std::unique_ptr<EmulatedDevice>(new EmulatedDevice(
        *this, std::move(camera), DeviceDescriptors(variant, vendorId, productId), port)));
    EmulatedDevice& device = *devices_.back();
    syncCable(device);
    return device;
}

void Emulator::remove(EmulatedDevice& device) {
    std::lock_guard lock(busMutex_);
    device.removed_ = true;
    if (device.current_ != nullptr) {
        device.current_->pullOut();
        device.current_ = nullptr;
    }
}

void Emulator::syncCable(EmulatedDevice& device) {
    if (device.removed_) {
        return;
    }
    const bool plugged = device.camera_->plugged();
    if (plugged && device.current_ == nullptr) {
        Attachment::Place place{testbed_->testbed, testbed_->rootDir, device.bus(), device.port_,
                                static_cast<std::uint8_t>(nextDeviceNumber_)};
        nextDeviceNumber_ = nextAfter(nextDeviceNumber_);
        auto attachment = std::make_unique<Attachment>(place, device.descriptors_, device.camera_,
                                                       device.counters_);
        attachment->plugIn();
        device.current_ = attachment.get();
        device.attachments_.push_back(std::move(attachment));
    } else if (!plugged && device.current_ != nullptr) {
        device.current_->pullOut();
        device.current_ = nullptr;
    }
}

void Emulator::followCables(std::stop_token stop) {
    pthread_setname_np(pthread_self(), "usbemu-cable");
    std::mutex sleepMutex;
    std::condition_variable_any sleep;
    while (!stop.stop_requested()) {
        {
            std::lock_guard lock(busMutex_);
            for (auto& device : devices_) {
                syncCable(*device);
            }
        }
        std::unique_lock lock(sleepMutex);
        sleep.wait_for(lock, stop, cablePeriod, [] { return false; });
    }
}

// ---- preload -------------------------------------------------------------------------------

void ensurePreloaded(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr) {
        return;
    }
    // The wrapper puts the sanitizer runtime (if any) and umockdev's preload library in
    // LD_PRELOAD and gives the run a TMPDIR of its own.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> words{"/bin/sh", USBEMU_WRAPPER, USBEMU_PRELOAD, self};
    for (int i = 1; i < argc; ++i) {
        words.emplace_back(argv[i]);
    }
    std::vector<char*> args;
    for (auto& word : words) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    execv(args[0], args.data());
    std::fprintf(stderr, "usbemu: cannot run %s: %s\n", USBEMU_WRAPPER, std::strerror(errno));
    std::exit(2);
}

}  // namespace usbemu
