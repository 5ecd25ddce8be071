// The control client on Windows: the virtual camera listens on a named pipe there.
#include <windows.h>

#include <virtual_camera/control_pipe.h>

#include "control_client.h"

namespace qlvctl {
namespace {

using Clock = std::chrono::steady_clock;

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

ControlExchange failure(std::string problem) {
    return {false, {}, std::move(problem)};
}

std::string systemError(const char* what) {
    return std::string(what) + ": error " + std::to_string(GetLastError());
}

DWORD millisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// Runs one overlapped read or write to its end within `deadline`; false on failure or timeout
// (the operation is then cancelled and its end awaited).
template <typename Call>
bool complete(HANDLE pipe, Clock::time_point deadline, DWORD& transferred, Call call) {
    const Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (event.get() == nullptr) {
        return false;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    if (!call(overlapped) && GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    if (WaitForSingleObject(event.get(), millisecondsUntil(deadline)) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
        GetOverlappedResult(pipe, &overlapped, &transferred, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) != FALSE;
}

HANDLE connectPipe(const std::string& name, Clock::time_point deadline) {
    for (;;) {
        const HANDLE pipe = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY) {
            return pipe;
        }
        // Another desk is being served; its turn is short.
        const DWORD left = millisecondsUntil(deadline);
        if (left == 0 || !WaitNamedPipeA(name.c_str(), left)) {
            SetLastError(ERROR_PIPE_BUSY);
            return INVALID_HANDLE_VALUE;
        }
    }
}

}  // namespace

ControlExchange exchangeLine(const std::string& path, const std::string& line,
                             std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    const Handle pipe(connectPipe(vcam::controlPipeName(path), deadline));
    if (pipe.get() == INVALID_HANDLE_VALUE) {
        return failure(systemError("cannot connect"));
    }
    const std::string request = line + "\n";
    DWORD written = 0;
    if (!complete(pipe.get(), deadline, written,
                  [&](OVERLAPPED& overlapped) {
                      return WriteFile(pipe.get(), request.data(),
                                       static_cast<DWORD>(request.size()), nullptr, &overlapped);
                  }) ||
        written != request.size()) {
        return failure(systemError("cannot send the command"));
    }

    std::string received;
    for (;;) {
        const auto end = received.find('\n');
        if (end != std::string::npos) {
            received.resize(end);
            break;
        }
        char chunk[256];
        DWORD count = 0;
        const bool got = complete(pipe.get(), deadline, count, [&](OVERLAPPED& overlapped) {
            return ReadFile(pipe.get(), chunk, sizeof chunk, nullptr, &overlapped);
        });
        if (!got && GetLastError() == ERROR_BROKEN_PIPE) {
            count = 0;
        } else if (!got) {
            return failure("no reply within " + std::to_string(timeout.count()) + " ms");
        }
        if (count == 0) {
            if (received.empty()) {
                return failure("the camera closed the connection without replying");
            }
            break;  // a last line without its line end
        }
        received.append(chunk, count);
    }
    if (!received.empty() && received.back() == '\r') {
        received.pop_back();
    }
    return {true, std::move(received), {}};
}

}  // namespace qlvctl
