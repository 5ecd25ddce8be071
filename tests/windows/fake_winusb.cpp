#include "fake_winusb.h"

#include <algorithm>
#include <cstring>

namespace qlv::test {

void FakeDevice::finish(DWORD error, const std::vector<std::uint8_t>& bytes) {
    if (pending == nullptr) {
        return;
    }
    Read& read = reads[pending];
    read.transferred = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), read.length));
    std::memcpy(read.buffer, bytes.data(), read.transferred);
    read.error = error;
    SetEvent(pending->hEvent);
    pending = nullptr;
}

void FakeDevice::completePending(const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(mutex);
    finish(ERROR_SUCCESS, bytes);
}

void FakeDevice::failPending(DWORD error) {
    const std::lock_guard lock(mutex);
    finish(error, {});
}

namespace {

thread_local DWORD lastErrorCode = 0;

BOOL failWith(DWORD error) {
    lastErrorCode = error;
    return FALSE;
}

const auto fakeFile = reinterpret_cast<HANDLE>(0x51);
const auto fakeInterface = reinterpret_cast<WINUSB_INTERFACE_HANDLE>(0x52);

class FakeApi final : public winusb::Api {
public:
    explicit FakeApi(std::shared_ptr<FakeDevice> device) : device_(std::move(device)) {}

    std::optional<std::vector<std::string>> interfacePaths(const GUID&) override {
        const std::lock_guard lock(device_->mutex);
        if (device_->listFails) {
            return std::nullopt;
        }
        return device_->paths;
    }
    HANDLE openDevice(const std::string&) override {
        const std::lock_guard lock(device_->mutex);
        ++device_->filesOpen;
        return fakeFile;
    }
    void closeDevice(HANDLE) override {
        const std::lock_guard lock(device_->mutex);
        --device_->filesOpen;
    }
    BOOL initialize(HANDLE, WINUSB_INTERFACE_HANDLE* handle) override {
        const std::lock_guard lock(device_->mutex);
        if (device_->initializeFails) {
            return failWith(ERROR_NOT_SUPPORTED);
        }
        ++device_->interfacesOpen;
        *handle = fakeInterface;
        return TRUE;
    }
    void free(WINUSB_INTERFACE_HANDLE) override {
        const std::lock_guard lock(device_->mutex);
        --device_->interfacesOpen;
    }
    BOOL queryDeviceInformation(WINUSB_INTERFACE_HANDLE, ULONG type, ULONG* length,
                                void* buffer) override {
        if (type != DEVICE_SPEED || *length < 1) {
            return failWith(ERROR_INVALID_PARAMETER);
        }
        *static_cast<UCHAR*>(buffer) = 3;  // high speed
        *length = 1;
        return TRUE;
    }
    BOOL queryInterfaceSettings(WINUSB_INTERFACE_HANDLE, UCHAR alternate,
                                USB_INTERFACE_DESCRIPTOR* descriptor) override {
        const std::lock_guard lock(device_->mutex);
        if (alternate != 0) {
            return failWith(ERROR_NO_MORE_ITEMS);
        }
        *descriptor = {};
        descriptor->bNumEndpoints = static_cast<UCHAR>(device_->pipes.size());
        return TRUE;
    }
    BOOL queryPipe(WINUSB_INTERFACE_HANDLE, UCHAR, UCHAR index,
                   WINUSB_PIPE_INFORMATION* pipe) override {
        const std::lock_guard lock(device_->mutex);
        if (index >= device_->pipes.size()) {
            return failWith(ERROR_NO_MORE_ITEMS);
        }
        *pipe = device_->pipes[index];
        return TRUE;
    }
    BOOL setPipePolicy(WINUSB_INTERFACE_HANDLE, UCHAR pipe, ULONG policy, ULONG length,
                       void* value) override {
        const std::lock_guard lock(device_->mutex);
        if (pipe == 0 && policy == PIPE_TRANSFER_TIMEOUT && length == sizeof(ULONG)) {
            device_->controlTimeoutMs = *static_cast<ULONG*>(value);
        }
        return TRUE;
    }
    BOOL controlTransfer(WINUSB_INTERFACE_HANDLE, WINUSB_SETUP_PACKET setup, UCHAR* buffer,
                         ULONG length, ULONG* transferred) override {
        const std::lock_guard lock(device_->mutex);
        device_->controlsSent.push_back(setup);
        if (device_->controlFails) {
            return failWith(ERROR_GEN_FAILURE);
        }
        *transferred = 0;
        if ((setup.RequestType & 0x80) != 0) {
            *transferred =
                static_cast<ULONG>(std::min<std::size_t>(length, device_->controlAnswer.size()));
            std::memcpy(buffer, device_->controlAnswer.data(), *transferred);
        } else {
            *transferred = length;
        }
        return TRUE;
    }
    BOOL readPipe(WINUSB_INTERFACE_HANDLE, UCHAR pipe, UCHAR* buffer, ULONG length,
                  ULONG* transferred, OVERLAPPED* overlapped) override {
        const std::lock_guard lock(device_->mutex);
        if (pipe != 0x81 || device_->pending != nullptr) {
            return failWith(ERROR_INVALID_PARAMETER);
        }
        ++device_->pendingReads;
        device_->reads[overlapped] = {buffer, length};
        device_->pending = overlapped;
        if (!device_->readyFrames.empty()) {
            device_->finish(ERROR_SUCCESS, device_->readyFrames.front());
            device_->readyFrames.erase(device_->readyFrames.begin());
            *transferred = device_->reads[overlapped].transferred;
            device_->reads.erase(overlapped);
            return TRUE;
        }
        return failWith(ERROR_IO_PENDING);
    }
    BOOL getOverlappedResult(WINUSB_INTERFACE_HANDLE, OVERLAPPED* overlapped, ULONG* transferred,
                             BOOL wait) override {
        if (wait) {
            WaitForSingleObject(overlapped->hEvent, INFINITE);
        }
        const std::lock_guard lock(device_->mutex);
        const auto read = device_->reads.find(overlapped);
        if (read == device_->reads.end()) {
            return failWith(ERROR_INVALID_PARAMETER);
        }
        const DWORD error = read->second.error;
        *transferred = read->second.transferred;
        if (error != ERROR_IO_PENDING) {
            device_->reads.erase(read);
        }
        return error == ERROR_SUCCESS ? TRUE : failWith(error);
    }
    BOOL abortPipe(WINUSB_INTERFACE_HANDLE, UCHAR) override {
        const std::lock_guard lock(device_->mutex);
        ++device_->aborts;
        device_->finish(ERROR_OPERATION_ABORTED, {});
        return TRUE;
    }
    DWORD lastError() override { return lastErrorCode; }

private:
    std::shared_ptr<FakeDevice> device_;
};

}  // namespace

std::unique_ptr<winusb::Api> fakeApi(std::shared_ptr<FakeDevice> device) {
    return std::make_unique<FakeApi>(std::move(device));
}

}  // namespace qlv::test
