// Start and end of the library, version, last error and the two ports.
#include <QLV_API.h>

#include "library.h"

using namespace qlv;

namespace {
constexpr std::int32_t version = 0x20005;
constexpr std::int32_t cameraPresent = 8;
constexpr std::int32_t cameraAbsent = 4;
}  // namespace

QLV_EXPORT int32_t QLV_Init(void) {
    return record(startLibrary() ? ok : failed);
}

QLV_EXPORT int32_t QLV_Term(void) {
    return record(endLibrary() ? ok : failed);
}

QLV_EXPORT int32_t QLV_GetError(int32_t* out) {
    if (out == nullptr) {
        return failed;
    }
    *out = lastError();
    return ok;
}

QLV_EXPORT int32_t QLV_GetVersion(int32_t reserved, int32_t* out) {
    if (out == nullptr || reserved != 0) {
        return record(failed);
    }
    *out = version;
    return record(ok);
}

QLV_EXPORT int32_t QLV_InputPort(int32_t* out) {
    if (out == nullptr) {
        return record(failed);
    }
    const std::shared_ptr<Library> lib = library();
    *out = lib != nullptr && lib->monitor.present() ? cameraPresent : cameraAbsent;
    return record(ok);
}

QLV_EXPORT int32_t QLV_OutputPort(uint32_t on) {
    const std::shared_ptr<Library> lib = library();
    if (on > 1 || lib == nullptr) {
        return record(failed);
    }
    lib->outputState = on == 1 ? outputDraw : outputBlank;
    return record(ok);
}
