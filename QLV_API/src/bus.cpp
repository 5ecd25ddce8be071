#include "bus.h"

#include <array>
#include <cstring>

namespace qlv {
namespace {

constexpr std::uint8_t vendorIn = 0xC0;
constexpr std::uint8_t vendorOut = 0x40;

// The identification block carries "QLV" and a NUL at 16; anything else is another device.
bool isCameraIdentification(std::span<const std::uint8_t, 24> block) {
    return block[0] == 1 && block[16] == 'Q' && block[17] == 'L' && block[18] == 'V' &&
           block[19] == 0;
}

}  // namespace

Bus::Bus(std::unique_ptr<UsbTransport> transport) : transport_(std::move(transport)) {}

Bus::~Bus() {
    disconnect();
    transport_->close();
}

bool Bus::connect() {
    if (connected_) {
        return true;
    }
    if (!transport_->open()) {
        return false;
    }
    std::array<std::uint8_t, 24> identification{};
    if (!transfer({request::Identify, Direction::In, 0, 0}, identification, false) ||
        !isCameraIdentification(identification)) {
        return false;
    }
    std::array<std::uint8_t, 4> lineProbe{};
    if (!transfer({request::I2CRead, Direction::In, 0, 0x58}, lineProbe, false)) {
        return false;
    }
    // A first byte above 15 (high nibble set) marks the 480-line sensor.
    lines480_ = lineProbe[0] > 15;
    MutexLock lock(stateMutex_);
    connected_ = true;
    return true;
}

void Bus::disconnect() {
    UniqueLock lock(stateMutex_);
    if (!connected_) {
        return;
    }
    disconnecting_ = true;
    idle_.wait(lock, [this]() NO_THREAD_SAFETY { return inFlight_ == 0; });
    connected_ = false;
    transport_->close();
    inFlight_ = 0;
    disconnecting_ = false;
}

void Bus::release() {
    MutexLock lock(stateMutex_);
    if (!connected_) {
        transport_->close();
    }
}

int Bus::countCameras() {
    return transport_->countCameras();
}

bool Bus::control(const VendorRequest& request, std::span<std::uint8_t> data) {
    return transfer(request, data, true);
}

bool Bus::beginTransfer(bool requireConnected) {
    MutexLock lock(stateMutex_);
    if (disconnecting_ || (requireConnected && !connected_)) {
        return false;
    }
    ++inFlight_;
    return true;
}

void Bus::endTransfer() {
    {
        MutexLock lock(stateMutex_);
        --inFlight_;
    }
    idle_.notify_all();
}

bool Bus::transfer(const VendorRequest& request, std::span<std::uint8_t> data,
                   bool requireConnected) {
    MutexLock busy(busLock_);
    if (!beginTransfer(requireConnected)) {
        return false;
    }
    const SetupPacket setup{request.direction == Direction::In ? vendorIn : vendorOut, request.code,
                            request.value, request.index, static_cast<std::uint16_t>(data.size())};
    const bool ok = transport_->controlTransfer(setup, data, controlTimeoutFor(data.size()));
    endTransfer();
    return ok;
}

class Bus::FrameReads final : public BulkQueue {
public:
    FrameReads(Bus& bus, std::unique_ptr<BulkQueue> queue) : bus_(bus), queue_(std::move(queue)) {}
    ~FrameReads() override {
        queue_.reset();  // cancels and awaits what is queued
        bus_.endTransfer();
    }
    FrameReads(const FrameReads&) = delete;
    FrameReads& operator=(const FrameReads&) = delete;

    bool submit(std::span<std::uint8_t> buffer) override { return queue_->submit(buffer); }
    std::optional<std::size_t> next(std::chrono::milliseconds limit,
                                    std::stop_token stop) override {
        if (bus_.disconnectBegun()) {
            queue_->cancel();
            return std::nullopt;
        }
        return queue_->next(limit, std::move(stop));
    }
    void cancel() override { queue_->cancel(); }
    std::size_t pending() override { return queue_->pending(); }

private:
    Bus& bus_;
    std::unique_ptr<BulkQueue> queue_;
};

bool Bus::disconnectBegun() {
    MutexLock lock(stateMutex_);
    return disconnecting_;
}

std::unique_ptr<BulkQueue> Bus::openFrameReads() {
    if (!beginTransfer(true)) {
        return nullptr;
    }
    return std::make_unique<FrameReads>(*this, transport_->bulkQueue());
}

std::optional<std::size_t> Bus::readFrame(std::span<std::uint8_t> buffer, std::stop_token stop) {
    if (!beginTransfer(true)) {
        return std::nullopt;
    }
    const auto received = transport_->readBulk(buffer, bulkReadLimit, std::move(stop));
    endTransfer();
    return received;
}

}  // namespace qlv
