// Streaming: start and stop, the buffer ring, the frame semaphore and the recording state.
#include <QLV_API.h>

#include <array>

#include "library.h"

using namespace qlv;

namespace {

constexpr std::int32_t stateLive = 1;
constexpr std::int32_t stateStreaming = 2;
constexpr std::int32_t statePresent = 4;

}  // namespace

QLV_EXPORT int32_t QLV_RecordStart(uint32_t resolution) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || resolution > 1) {
        return record(failed);
    }
    lib->startRecording(resolution);
    return record(ok);
}

QLV_EXPORT int32_t QLV_RecordStop(void) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return record(failed);
    }
    lib->stopRecording();
    return record(ok);
}

QLV_EXPORT int32_t QLV_CheckRecording(int32_t* state) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || state == nullptr) {
        return record(failed);
    }
    std::array<std::uint8_t, 5> status{};
    const bool read = lib->bus.control({request::Status, Direction::In, 0, 0}, status);
    if (read) {
        lib->streaming.freezeMirror = status[2];
    }
    *state = (lib->streaming.freezeMirror == 0 ? stateLive : 0) |
             (lib->streaming.streaming() ? stateStreaming : 0) |
             (lib->monitor.present() ? statePresent : 0);
    return record(read ? ok : failed);
}

QLV_EXPORT int32_t QLV_GetRecordingFrame(int32_t* out) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || out == nullptr || lib->streaming.freezeMirror == 0) {
        return record(failed);
    }
    *out = 0;
    return record(ok);
}

QLV_EXPORT int32_t QLV_RegisterBuffer(int32_t count, void* const* buffers) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || count > Streaming::maxRegisteredBuffers ||
        (count > 0 && buffers == nullptr)) {
        return record(failed);
    }
    const auto size = count > 0 ? static_cast<std::size_t>(count) : 0;
    return record(lib->streaming.registerBuffers({buffers, size}) ? ok : failed);
}

QLV_EXPORT int32_t QLV_UnregisterBuffer(void) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return record(failed);
    }
    lib->streaming.unregisterBuffers();
    return record(ok);
}

QLV_EXPORT int32_t QLV_GetBufferIndex(void) {
    const std::shared_ptr<Library> lib = library();
    return lib == nullptr ? 0 : lib->streaming.completedFrames();
}

QLV_EXPORT int32_t QLV_GetDataSemaphoHandle(QLV_HANDLE* out) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || out == nullptr) {
        return record(failed);
    }
    *out = lib->semaphore.handle();
    return record(ok);
}

QLV_EXPORT int32_t QLV_DispMode(uint32_t mode) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || mode > 1) {
        return record(failed);
    }
    return record(lib->streaming.setBufferMode(static_cast<Streaming::BufferMode>(mode)) ? ok
                                                                                         : failed);
}

QLV_EXPORT int32_t QLV_GetDispSize(uint32_t resolution, int32_t* width, int32_t* height,
                                   int32_t* bytes) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || resolution > 1 || width == nullptr || height == nullptr ||
        bytes == nullptr) {
        return record(failed);
    }
    const FrameGeometry geometry = geometryFor(resolution, lib->bus.lines480());
    *width = geometry.width;
    *height = geometry.height;
    *bytes = static_cast<std::int32_t>(geometry.bufferSize());
    return record(ok);
}
