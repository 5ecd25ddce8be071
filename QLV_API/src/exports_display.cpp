// The library's own display path: converted bitmaps drawn into the caller's surface.
#include <QLV_API.h>

#include <array>
#include <cstring>

#include "convert/yuyv_to_bgr.h"
#include "display_target.h"
#include "library.h"

using namespace qlv;

QLV_EXPORT int32_t QLV_DispStart(void) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return record(failed);
    }
    lib->outputState = outputBlank;
    lib->display.start();
    return record(ok);
}

QLV_EXPORT int32_t QLV_DispStop(void) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return record(failed);
    }
    lib->display.stop();
    return record(ok);
}

QLV_EXPORT int32_t QLV_DispWinBitmap(QLV_DrawTarget target, int32_t freeze) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || (target != nullptr && !usableTarget(target))) {
        return record(failed);
    }
    lib->display.setTarget(target);
    const std::uint8_t frozen = freeze != 0 ? 1 : 0;
    std::array<std::uint8_t, 3> fields{0, 0, frozen};
    const bool sent = lib->bus.control({request::SetStatus, Direction::Out, 0, 0x4}, fields);
    lib->streaming.freezeMirror = frozen;
    return record(sent ? ok : failed);
}

QLV_EXPORT int32_t QLV_DispSize(int32_t width, int32_t height) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr) {
        return record(failed);
    }
    return record(lib->display.setArea(width, height) ? ok : failed);
}

QLV_EXPORT int32_t QLV_GetDIBData(void* out) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || out == nullptr) {
        return record(failed);
    }
    const int width = lib->bitmaps.width;
    const int height = lib->bitmaps.height;
    const std::size_t bytes =
        bitmapHeaderSize + convert::bitmapStride(width) * static_cast<std::size_t>(height);
    std::memcpy(out, lib->bitmaps.newest().bitmap, bytes);
    return record(ok);
}

QLV_EXPORT int32_t QLV_GetRawData(void* out) {
    const std::shared_ptr<Library> lib = library();
    if (lib == nullptr || out == nullptr) {
        return record(failed);
    }
    const auto bytes = static_cast<std::size_t>(lib->bitmaps.width) *
                       static_cast<std::size_t>(lib->bitmaps.height) * 2;
    std::lock_guard raw(lib->bitmaps.rawLock);
    std::memcpy(out, lib->memory.rawFrame.data(), bytes);
    return record(ok);
}
