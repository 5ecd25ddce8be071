// A scripted camera behind the SetupAPI and WinUSB calls (Wine's winusb.dll is a stub). Overlapped
// reads complete through their real event, as the driver would complete them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "transport/winusb_api.h"

namespace qlv::test {

struct FakeDevice {
    std::mutex mutex;  // guards everything below; the transport and the test's threads share it
    bool listFails = false;
    std::vector<std::string> paths{"\\\\?\\usb#vid_1209&pid_0001#6&1#{766ccc40}"};
    bool initializeFails = false;
    std::vector<WINUSB_PIPE_INFORMATION> pipes{{UsbdPipeTypeBulk, 0x81, 512, 0},
                                               {UsbdPipeTypeBulk, 0x02, 512, 0}};
    bool controlFails = false;
    std::vector<std::uint8_t> controlAnswer;  // copied into IN data stages
    std::vector<WINUSB_SETUP_PACKET> controlsSent;
    ULONG controlTimeoutMs = 0;
    std::vector<std::vector<std::uint8_t>> readyFrames;  // completed at once by the next reads

    int filesOpen = 0;
    int interfacesOpen = 0;
    int aborts = 0;
    int pendingReads = 0;

    // Completes the read in flight with `bytes`, or fails it with `error`.
    void completePending(const std::vector<std::uint8_t>& bytes);
    void failPending(DWORD error);

    struct Read {
        UCHAR* buffer = nullptr;
        ULONG length = 0;
        DWORD error = ERROR_IO_PENDING;  // ERROR_SUCCESS once completed
        ULONG transferred = 0;
    };
    std::map<OVERLAPPED*, Read> reads;  // by the transport's OVERLAPPED
    OVERLAPPED* pending = nullptr;

    void finish(DWORD error, const std::vector<std::uint8_t>& bytes);  // mutex held
};

std::unique_ptr<winusb::Api> fakeApi(std::shared_ptr<FakeDevice> device);

}  // namespace qlv::test
