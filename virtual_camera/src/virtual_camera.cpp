#include "virtual_camera/virtual_camera.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "request_handler.h"
#include "virtual_camera_impl.h"

namespace vcam {
namespace {

// A long session must not grow without bound: the journal keeps the most recent requests.
constexpr std::size_t kJournalLimit = 65536;

std::uint8_t validMode(int mode) {
    return static_cast<std::uint8_t>(mode >= 1 && mode <= 3 ? mode : 1);
}

int validMains(int hz) {
    return hz == 60 ? 60 : 50;
}

}  // namespace

// ---- Impl -----------------------------------------------------------------------------------

VirtualCamera::Impl::Impl(const Options& options)
    : controlLatency(std::max(options.controlLatency, std::chrono::microseconds{0})),
      pipe(*this, options.framesPerSecond) {
    firmware.mode = validMode(options.mode);
    mainsHz = validMains(options.mainsHz);
    firmware.lines480 = options.lines480;
    firmware.busyTime = options.eepromBusyTime;
    firmware.eepromFile = options.eepromFile;
    if (!options.eepromFile.empty()) {
        firmware.eeprom.load(options.eepromFile);  // a missing or foreign file: factory contents
    }
    firmware.powerOn();
    firmware.resolution = options.resolution != 0 ? 1 : 0;
}

void VirtualCamera::Impl::listen(const std::string& path, VirtualCamera& owner) {
    std::string error;
    server = ControlServer::start(
        path, [&owner](const std::string& line) { return owner.command(line); }, error);
    if (!server) {
        std::fprintf(stderr, "virtual camera: no control socket at %s: %s\n", path.c_str(),
                     error.c_str());
    }
}

FrameSource::State VirtualCamera::Impl::frameState() {
    qlv::MutexLock lock(mutex);
    return {geometryFor(firmware.resolution != 0, firmware.lines480), firmware.freeze != 0,
            readPictureSettings(firmware.registers, mainsHz)};
}

void VirtualCamera::Impl::cablePulled() {
    unplug();
}

void VirtualCamera::Impl::plug() {
    qlv::MutexLock plugLock(plugMutex);
    {
        qlv::MutexLock lock(mutex);
        if (plugged) {
            return;
        }
        firmware.powerOn();
    }
    pipe.connect();  // ready before a host can see the camera
    qlv::MutexLock lock(mutex);
    plugged = true;
}

void VirtualCamera::Impl::unplug() {
    qlv::MutexLock plugLock(plugMutex);
    {
        qlv::MutexLock lock(mutex);
        plugged = false;
    }
    // Reads in flight fail now, not at their deadline, and only once the camera is gone: a host
    // that looks after a failed read finds no camera.
    pipe.disconnect();
}

// ---- VirtualCamera: construction --------------------------------------------------------------

VirtualCamera::VirtualCamera(Options options) : impl_(std::make_unique<Impl>(options)) {
    // Only now can a command from the socket reach a whole camera.
    if (!options.controlSocket.empty()) {
        impl_->listen(options.controlSocket, *this);
    }
}

VirtualCamera::~VirtualCamera() {
    impl_->server.reset();  // its thread runs commands on this camera: it goes first
}

std::shared_ptr<VirtualCamera> VirtualCamera::shared() {
    // Held weakly: the camera and its threads end with the last user (the library's QLV_Term),
    // not at static destruction, when a DLL's threads are already gone on Windows.
    static qlv::Mutex mutex;
    static std::weak_ptr<VirtualCamera> current;
    qlv::MutexLock lock(mutex);
    auto camera = current.lock();
    if (!camera) {
        camera = std::make_shared<VirtualCamera>(Options::fromEnvironment());
        current = camera;
    }
    return camera;
}

// ---- Seen from the bus ----------------------------------------------------------------------

bool VirtualCamera::plugged() const {
    qlv::MutexLock lock(impl_->mutex);
    return impl_->plugged;
}

int VirtualCamera::interfaceCount() const {
    return plugged() ? 1 : 0;
}

bool VirtualCamera::open() {
    return plugged();
}

void VirtualCamera::close() {}

std::optional<std::size_t> VirtualCamera::control(const SetupPacket& setup,
                                                  std::span<std::uint8_t> data) {
    if (impl_->controlsInProgress.fetch_add(1) > 0) {
        impl_->overlapDetected = true;  // a host must serialise its control transfers
    }
    if (impl_->controlLatency.count() > 0) {
        std::this_thread::sleep_for(impl_->controlLatency);  // the bus time of the transfer
    }
    std::optional<std::size_t> result;
    {
        qlv::MutexLock lock(impl_->mutex);
        if (impl_->plugged && !takeFailure(impl_->firmware.faults.failNextTransfers)) {
            result = handleRequest(impl_->firmware, setup, data, std::chrono::steady_clock::now());
        }
        RecordedRequest record{setup, {}, result.has_value()};
        const std::size_t shown =
            setup.isIn() ? result.value_or(0) : std::min<std::size_t>(setup.length, data.size());
        record.data.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(shown));
        impl_->journal.push_back(std::move(record));
        if (impl_->journal.size() > kJournalLimit) {
            impl_->journal.pop_front();
        }
    }
    impl_->controlsInProgress.fetch_sub(1);
    return result;
}

std::optional<std::size_t> VirtualCamera::bulkIn(std::span<std::uint8_t> buffer,
                                                 std::chrono::steady_clock::time_point deadline,
                                                 std::stop_token stop,
                                                 const std::function<void()>& queued) {
    return impl_->pipe.read(buffer, deadline, std::move(stop), queued);
}

// ---- Seen from the desk ---------------------------------------------------------------------

void VirtualCamera::unplug() {
    impl_->unplug();
}

void VirtualCamera::plug() {
    impl_->plug();
}

void VirtualCamera::setFreeze(bool frozen) {
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.freeze = frozen ? 1 : 0;
}

void VirtualCamera::setMode(int mode) {
    if (mode < 1 || mode > 3) {
        return;  // the mode switch has three positions
    }
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.mode = static_cast<std::uint8_t>(mode);
}

void VirtualCamera::setLines480(bool lines480) {
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.lines480 = lines480;
}

void VirtualCamera::setMainsHz(int hz) {
    if (hz != 50 && hz != 60) {
        return;
    }
    qlv::MutexLock lock(impl_->mutex);
    impl_->mainsHz = hz;
}

int VirtualCamera::mainsHz() const {
    qlv::MutexLock lock(impl_->mutex);
    return impl_->mainsHz;
}

void VirtualCamera::setFramesPerSecond(double fps) {
    impl_->pipe.setFramesPerSecond(fps);
}

std::array<std::uint8_t, 5> VirtualCamera::status() const {
    qlv::MutexLock lock(impl_->mutex);
    return impl_->firmware.status(std::chrono::steady_clock::now());
}

// ---- Fault injection ------------------------------------------------------------------------

void VirtualCamera::failNextControlTransfers(int count) {
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.faults.failNextTransfers = std::max(count, 0);
}

void VirtualCamera::setIdentificationText(const std::string& text) {
    qlv::MutexLock lock(impl_->mutex);
    auto& field = impl_->firmware.faults.identificationText;
    field.fill(0);
    // memcpy rather than copy_n: g++ 12 at -O3 misreads the bounded copy as an overflow.
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
}

void VirtualCamera::setIdentificationFirstByte(std::uint8_t value) {
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.faults.identificationFirstByte = value;
}

void VirtualCamera::setI2CReadFails(bool fails) {
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.faults.i2cReadFails = fails;
}

void VirtualCamera::setStaysBusy(bool busy) {
    qlv::MutexLock lock(impl_->mutex);
    impl_->firmware.faults.staysBusy = busy;
}

void VirtualCamera::injectFrameFault(FrameFault fault) {
    impl_->pipe.injectFrameFault(fault);
}

void VirtualCamera::stallStream(std::chrono::milliseconds duration) {
    impl_->pipe.stall(duration);
}

void VirtualCamera::unplugDuringNextTransfer() {
    impl_->pipe.unplugDuringNextTransfer();
}

void VirtualCamera::failNextBulkTransfers(int count) {
    impl_->pipe.failNextTransfers(count);
}

// ---- Observation ----------------------------------------------------------------------------

std::vector<RecordedRequest> VirtualCamera::requests() const {
    qlv::MutexLock lock(impl_->mutex);
    return {impl_->journal.begin(), impl_->journal.end()};
}

void VirtualCamera::clearRequests() {
    qlv::MutexLock lock(impl_->mutex);
    impl_->journal.clear();
}

bool VirtualCamera::overlapDetected() const {
    return impl_->overlapDetected;
}

StreamStats VirtualCamera::streamStats() const {
    StreamStats stats = impl_->pipe.stats();
    if (impl_->server) {
        stats.cameraCpuTime += impl_->server->cpuTime();
    }
    return stats;
}

int VirtualCamera::pendingBulkReads() const {
    return impl_->pipe.pendingReads();
}

std::vector<std::uint8_t> VirtualCamera::eeprom(std::size_t address, std::size_t length) const {
    qlv::MutexLock lock(impl_->mutex);
    const auto bytes = impl_->firmware.eeprom.bytes();
    const std::size_t begin = std::min(address, bytes.size());
    const std::size_t end = begin + std::min(length, bytes.size() - begin);
    return {bytes.begin() + static_cast<std::ptrdiff_t>(begin),
            bytes.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::uint16_t VirtualCamera::sensorRegister(std::uint16_t reg) const {
    qlv::MutexLock lock(impl_->mutex);
    return impl_->firmware.registers.device1(reg);
}

std::uint32_t VirtualCamera::device2Register(std::uint8_t reg) const {
    qlv::MutexLock lock(impl_->mutex);
    return impl_->firmware.registers.device2(reg);
}

}  // namespace vcam
