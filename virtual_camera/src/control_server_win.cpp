// The control channel on Windows: a named pipe, one client at a time (a desk sends a command and
// goes). Every wait is on overlapped I/O together with the stop event, so the thread sleeps while
// idle and ends at once.
#include <windows.h>

#include <array>

#include <virtual_camera/control_pipe.h>

#include "control_server.h"
#include "cpu_time.h"
#include "thread_name.h"

namespace vcam {
namespace {

constexpr DWORD kBufferBytes = 4096;

std::string systemError(const char* what) {
    return std::string(what) + ": error " + std::to_string(GetLastError());
}

// Waits for an overlapped operation on `pipe` or the stop event. True with `transferred` set when
// the operation ended well; false when it failed or a stop came (the operation is then
// cancelled and its end awaited, so `overlapped` and the buffer are free again).
bool finish(HANDLE pipe, OVERLAPPED& overlapped, HANDLE stop, DWORD& transferred) {
    const std::array<HANDLE, 2> events{overlapped.hEvent, stop};
    const DWORD woken = WaitForMultipleObjects(2, events.data(), FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
    }
    const bool done = GetOverlappedResult(pipe, &overlapped, &transferred, TRUE) != FALSE;
    return done && woken == WAIT_OBJECT_0;
}

// Starts an overlapped call and waits for it as above. `call` returns the call's BOOL.
template <typename Call>
bool overlappedCall(HANDLE pipe, OVERLAPPED& overlapped, HANDLE stop, DWORD& transferred,
                    Call call) {
    ResetEvent(overlapped.hEvent);
    if (call()) {
        return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) != FALSE;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED) {
        return true;  // the client came before we asked
    }
    return error == ERROR_IO_PENDING && finish(pipe, overlapped, stop, transferred);
}

}  // namespace

std::unique_ptr<ControlServer> ControlServer::start(const std::string& path, Handler handler,
                                                    std::string& error) {
    if (path.empty()) {
        error = "control pipe name is empty";
        return nullptr;
    }
    // The first instance only: a live camera of another process keeps its pipe.
    const HANDLE pipe = CreateNamedPipeA(
        controlPipeName(path).c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        kBufferBytes, kBufferBytes, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        error = GetLastError() == ERROR_ACCESS_DENIED ? "pipe is in use by another camera"
                                                      : systemError("CreateNamedPipe");
        return nullptr;
    }
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop == nullptr) {
        error = systemError("CreateEvent");
        CloseHandle(pipe);
        return nullptr;
    }
    return std::unique_ptr<ControlServer>(new ControlServer(path, pipe, stop, std::move(handler)));
}

ControlServer::ControlServer(std::string path, void* pipe, void* stop, Handler handler)
    : path_(std::move(path)), pipe_(pipe), stop_(stop), handler_(std::move(handler)) {
    thread_ = std::thread([this] { run(); });
}

ControlServer::~ControlServer() {
    SetEvent(stop_);
    thread_.join();
    CloseHandle(pipe_);
    CloseHandle(stop_);
}

std::chrono::nanoseconds ControlServer::cpuTime() const {
    return std::chrono::nanoseconds(cpuNanoseconds_.load());
}

void ControlServer::run() {
    nameThisThread("vcam-control");
    const HANDLE pipe = pipe_;
    const HANDLE stop = stop_;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        return;
    }

    // One client: answers each line until the client hangs up; false when a stop came.
    const auto serve = [&] {
        std::string line;
        bool discarding = false;  // inside a line that was too long
        const auto reply = [&](std::string text) {
            DWORD written = 0;
            return overlappedCall(pipe, overlapped, stop, written, [&] {
                return WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), nullptr,
                                 &overlapped);
            });
        };
        const auto answer = [&](std::string text) {
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            return reply(handler_(text) + "\n");
        };
        std::array<char, kBufferBytes> bytes{};
        for (;;) {
            cpuNanoseconds_ = threadCpuTime().count();
            DWORD count = 0;
            const bool got = overlappedCall(pipe, overlapped, stop, count, [&] {
                return ReadFile(pipe, bytes.data(), kBufferBytes, nullptr, &overlapped);
            });
            if (!got || count == 0) {
                // The client hung up; a last line without its newline still counts.
                if (!discarding && !line.empty() && WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
                    answer(std::move(line));
                }
                return WaitForSingleObject(stop, 0) != WAIT_OBJECT_0;
            }
            for (DWORD i = 0; i < count; ++i) {
                const char c = bytes[i];
                bool written = true;
                if (discarding) {
                    discarding = c != '\n';
                } else if (c == '\n') {
                    written = answer(std::move(line));
                    line.clear();
                } else if (line.size() == kMaxLineLength) {
                    written = reply("error: line too long\n");
                    line.clear();
                    discarding = true;
                } else {
                    line.push_back(c);
                }
                if (!written) {
                    return WaitForSingleObject(stop, 0) != WAIT_OBJECT_0;
                }
            }
        }
    };

    for (;;) {
        DWORD unused = 0;
        if (!overlappedCall(pipe, overlapped, stop, unused,
                            [&] { return ConnectNamedPipe(pipe, &overlapped); })) {
            if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) {
                break;
            }
            DisconnectNamedPipe(pipe);  // a client that came and went at once
            continue;
        }
        const bool goOn = serve();
        DisconnectNamedPipe(pipe);
        if (!goOn) {
            break;
        }
    }
    CloseHandle(overlapped.hEvent);
}

}  // namespace vcam
