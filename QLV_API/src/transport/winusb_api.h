// The SetupAPI and WinUSB calls the Windows transport makes, one virtual function each, so that its
// tests can put a scripted device behind them. The system realisation forwards every call as is.
#pragma once

#include <windows.h>
#include <winusb.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qlv::winusb {

class Api {
public:
    virtual ~Api() = default;

    // Device paths of the present interfaces of `guid`, in enumeration order; nullopt when the
    // interface list cannot be had.
    virtual std::optional<std::vector<std::string>> interfacePaths(const GUID& guid) = 0;
    // Opens `path` for overlapped reading and writing; INVALID_HANDLE_VALUE on failure.
    virtual HANDLE openDevice(const std::string& path) = 0;
    virtual void closeDevice(HANDLE file) = 0;

    virtual BOOL initialize(HANDLE file, WINUSB_INTERFACE_HANDLE* handle) = 0;
    virtual void free(WINUSB_INTERFACE_HANDLE handle) = 0;
    virtual BOOL queryDeviceInformation(WINUSB_INTERFACE_HANDLE handle, ULONG type, ULONG* length,
                                        void* buffer) = 0;
    virtual BOOL queryInterfaceSettings(WINUSB_INTERFACE_HANDLE handle, UCHAR alternate,
                                        USB_INTERFACE_DESCRIPTOR* descriptor) = 0;
    virtual BOOL queryPipe(WINUSB_INTERFACE_HANDLE handle, UCHAR alternate, UCHAR index,
                           WINUSB_PIPE_INFORMATION* pipe) = 0;
    virtual BOOL setPipePolicy(WINUSB_INTERFACE_HANDLE handle, UCHAR pipe, ULONG policy,
                               ULONG length, void* value) = 0;
    // Synchronous (no OVERLAPPED).
    virtual BOOL controlTransfer(WINUSB_INTERFACE_HANDLE handle, WINUSB_SETUP_PACKET setup,
                                 UCHAR* buffer, ULONG length, ULONG* transferred) = 0;
    // Overlapped: FALSE with lastError() == ERROR_IO_PENDING while in flight; completion sets
    // overlapped->hEvent.
    virtual BOOL readPipe(WINUSB_INTERFACE_HANDLE handle, UCHAR pipe, UCHAR* buffer, ULONG length,
                          ULONG* transferred, OVERLAPPED* overlapped) = 0;
    virtual BOOL getOverlappedResult(WINUSB_INTERFACE_HANDLE handle, OVERLAPPED* overlapped,
                                     ULONG* transferred, BOOL wait) = 0;
    virtual BOOL abortPipe(WINUSB_INTERFACE_HANDLE handle, UCHAR pipe) = 0;
    // The calling thread's error code of the last failed call above.
    virtual DWORD lastError() = 0;
};

std::unique_ptr<Api> systemApi();

}  // namespace qlv::winusb
