#include "transport/winusb_transport.h"

#include <algorithm>
#include <array>
#include <limits>

namespace qlv {

const GUID cameraInterfaceGuid = {
    0x766CCC40, 0xC72E, 0x434F, {0x8B, 0x56, 0x20, 0x9E, 0xF2, 0xED, 0xDB, 0xBE}};

namespace {

// A manual-reset event, owned.
class Event {
public:
    Event() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() {
        if (event_ != nullptr) {
            CloseHandle(event_);
        }
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return event_; }

private:
    HANDLE event_;
};

bool pipeAllowed(const WINUSB_PIPE_INFORMATION& pipe) {
    return pipe.PipeType == UsbdPipeTypeBulk || pipe.PipeType == UsbdPipeTypeInterrupt;
}

}  // namespace

WinUsbTransport::WinUsbTransport() : WinUsbTransport(winusb::systemApi()) {}

WinUsbTransport::WinUsbTransport(std::unique_ptr<winusb::Api> api) : api_(std::move(api)) {}

WinUsbTransport::~WinUsbTransport() {
    close();
}

int WinUsbTransport::countCameras() {
    const auto paths = api_->interfacePaths(cameraInterfaceGuid);
    return paths ? static_cast<int>(std::min<std::size_t>(paths->size(), 1000)) : 0;
}

bool WinUsbTransport::open() {
    close();
    const auto paths = api_->interfacePaths(cameraInterfaceGuid);
    if (!paths || paths->empty()) {
        return false;
    }
    file_ = api_->openDevice(paths->front());  // the first camera is the one used
    if (file_ == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (!api_->initialize(file_, &interface_)) {
        interface_ = nullptr;
        close();
        return false;
    }
    UCHAR speed = 0;
    ULONG speedLength = sizeof(speed);
    USB_INTERFACE_DESCRIPTOR setting{};
    if (!api_->queryDeviceInformation(interface_, DEVICE_SPEED, &speedLength, &speed) ||
        !api_->queryInterfaceSettings(interface_, 0, &setting)) {
        close();
        return false;
    }
    bulkIn_ = 0;
    for (UCHAR index = 0; index < setting.bNumEndpoints; ++index) {
        WINUSB_PIPE_INFORMATION pipe{};
        if (!api_->queryPipe(interface_, 0, index, &pipe) || !pipeAllowed(pipe)) {
            close();
            return false;
        }
        if (pipe.PipeType == UsbdPipeTypeBulk && (pipe.PipeId & 0x80) != 0) {
            bulkIn_ = pipe.PipeId;
        }
    }
    if (bulkIn_ == 0) {
        close();  // no pipe the frames could come from
        return false;
    }
    controlTimeoutMs_ = 0;
    return true;
}

void WinUsbTransport::close() {
    if (interface_ != nullptr) {
        api_->free(interface_);
        interface_ = nullptr;
    }
    if (file_ != INVALID_HANDLE_VALUE) {
        api_->closeDevice(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
    bulkIn_ = 0;
}

bool WinUsbTransport::controlTransfer(const SetupPacket& setup, std::span<std::uint8_t> data,
                                      std::chrono::milliseconds timeout) {
    if (interface_ == nullptr || data.size() < setup.length) {
        return false;
    }
    // WinUSB takes 0 as "never": at least 1 ms. The library serialises control transfers, so the
    // policy cannot change under a transfer.
    ULONG timeoutMs = static_cast<ULONG>(
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, 0x7fffffff));
    if (timeoutMs != controlTimeoutMs_ &&
        api_->setPipePolicy(interface_, 0, PIPE_TRANSFER_TIMEOUT, sizeof(timeoutMs), &timeoutMs)) {
        controlTimeoutMs_ = timeoutMs;
    }
    WINUSB_SETUP_PACKET packet{};
    packet.RequestType = setup.requestType;
    packet.Request = setup.request;
    packet.Value = setup.value;
    packet.Index = setup.index;
    packet.Length = setup.length;
    ULONG transferred = 0;
    return api_->controlTransfer(interface_, packet, setup.length == 0 ? nullptr : data.data(),
                                 setup.length, &transferred) != FALSE;
}

std::optional<std::size_t> WinUsbTransport::readBulk(std::span<std::uint8_t> buffer,
                                                     std::chrono::milliseconds limit,
                                                     std::stop_token stop) {
    if (interface_ == nullptr) {
        return std::nullopt;
    }
    const Event completed;
    const Event stopped;
    if (completed.get() == nullptr || stopped.get() == nullptr) {
        return std::nullopt;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = completed.get();
    const auto length =
        static_cast<ULONG>(std::min<std::size_t>(buffer.size(), std::numeric_limits<ULONG>::max()));
    ULONG transferred = 0;
    if (api_->readPipe(interface_, bulkIn_, buffer.data(), length, &transferred, &overlapped)) {
        return transferred;
    }
    if (api_->lastError() != ERROR_IO_PENDING) {
        return std::nullopt;
    }

    const std::stop_callback onStop(stop, [&stopped] { SetEvent(stopped.get()); });
    const std::array<HANDLE, 2> events{completed.get(), stopped.get()};
    const DWORD waitMs = static_cast<DWORD>(
        std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INFINITE - 1));
    const DWORD woken = WaitForMultipleObjects(2, events.data(), FALSE, waitMs);
    if (woken != WAIT_OBJECT_0) {
        // The limit passed or a stop came: abort, then wait for the read to end so that nothing
        // writes into the buffer after we return.
        api_->abortPipe(interface_, bulkIn_);
    }
    transferred = 0;
    const bool succeeded = api_->getOverlappedResult(interface_, &overlapped, &transferred, TRUE);
    if (woken == WAIT_OBJECT_0) {
        return succeeded ? std::optional<std::size_t>(transferred) : std::nullopt;
    }
    return succeeded ? transferred : 0;
}

}  // namespace qlv
