#include "transport/winusb_api.h"

#include <setupapi.h>

namespace qlv::winusb {
namespace {

// Owns a SetupAPI device information list.
class DeviceInfoList {
public:
    explicit DeviceInfoList(const GUID& guid)
        : list_(SetupDiGetClassDevsA(&guid, nullptr, nullptr,
                                     DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {}
    ~DeviceInfoList() {
        if (valid()) {
            SetupDiDestroyDeviceInfoList(list_);
        }
    }
    DeviceInfoList(const DeviceInfoList&) = delete;
    DeviceInfoList& operator=(const DeviceInfoList&) = delete;
    bool valid() const { return list_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const { return list_; }

private:
    HDEVINFO list_;
};

std::optional<std::string> devicePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& interface) {
    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(list, &interface, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return std::nullopt;
    }
    // The detail is a variable-length structure; DWORD storage keeps it aligned.
    std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(list, &interface, detail, size, nullptr, nullptr)) {
        return std::nullopt;
    }
    return std::string(detail->DevicePath);
}

class SystemApi final : public Api {
public:
    std::optional<std::vector<std::string>> interfacePaths(const GUID& guid) override {
        const DeviceInfoList list(guid);
        if (!list.valid()) {
            return std::nullopt;
        }
        std::vector<std::string> paths;
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA interface {};
            interface.cbSize = sizeof(interface);
            if (!SetupDiEnumDeviceInterfaces(list.get(), nullptr, &guid, index, &interface)) {
                if (GetLastError() != ERROR_NO_MORE_ITEMS) {
                    return std::nullopt;
                }
                return paths;
            }
            if (auto path = devicePath(list.get(), interface)) {
                paths.push_back(std::move(*path));
            }
        }
    }
    HANDLE openDevice(const std::string& path) override {
        return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    }
    void closeDevice(HANDLE file) override { CloseHandle(file); }
    BOOL initialize(HANDLE file, WINUSB_INTERFACE_HANDLE* handle) override {
        return WinUsb_Initialize(file, handle);
    }
    void free(WINUSB_INTERFACE_HANDLE handle) override { WinUsb_Free(handle); }
    BOOL queryDeviceInformation(WINUSB_INTERFACE_HANDLE handle, ULONG type, ULONG* length,
                                void* buffer) override {
        return WinUsb_QueryDeviceInformation(handle, type, length, buffer);
    }
    BOOL queryInterfaceSettings(WINUSB_INTERFACE_HANDLE handle, UCHAR alternate,
                                USB_INTERFACE_DESCRIPTOR* descriptor) override {
        return WinUsb_QueryInterfaceSettings(handle, alternate, descriptor);
    }
    BOOL queryPipe(WINUSB_INTERFACE_HANDLE handle, UCHAR alternate, UCHAR index,
                   WINUSB_PIPE_INFORMATION* pipe) override {
        return WinUsb_QueryPipe(handle, alternate, index, pipe);
    }
    BOOL setPipePolicy(WINUSB_INTERFACE_HANDLE handle, UCHAR pipe, ULONG policy, ULONG length,
                       void* value) override {
        return WinUsb_SetPipePolicy(handle, pipe, policy, length, value);
    }
    BOOL controlTransfer(WINUSB_INTERFACE_HANDLE handle, WINUSB_SETUP_PACKET setup, UCHAR* buffer,
                         ULONG length, ULONG* transferred) override {
        return WinUsb_ControlTransfer(handle, setup, buffer, length, transferred, nullptr);
    }
    BOOL readPipe(WINUSB_INTERFACE_HANDLE handle, UCHAR pipe, UCHAR* buffer, ULONG length,
                  ULONG* transferred, OVERLAPPED* overlapped) override {
        return WinUsb_ReadPipe(handle, pipe, buffer, length, transferred, overlapped);
    }
    BOOL getOverlappedResult(WINUSB_INTERFACE_HANDLE handle, OVERLAPPED* overlapped,
                             ULONG* transferred, BOOL wait) override {
        return WinUsb_GetOverlappedResult(handle, overlapped, transferred, wait);
    }
    BOOL abortPipe(WINUSB_INTERFACE_HANDLE handle, UCHAR pipe) override {
        return WinUsb_AbortPipe(handle, pipe);
    }
    DWORD lastError() override { return GetLastError(); }
};

}  // namespace

std::unique_ptr<Api> systemApi() {
    return std::make_unique<SystemApi>();
}

}  // namespace qlv::winusb
