#include <windows.h>

#include "display_target.h"

namespace qlv {

bool usableTarget(DisplayTarget target) {
    const DWORD type = GetObjectType(target);
    return type == OBJ_DC || type == OBJ_MEMDC;
}

void present(DisplayTarget target, const XrgbSurface& picture) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down rows, as drawn
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // One call for the whole picture; the device context clips it to its own size.
    SetDIBitsToDevice(target, 0, 0, static_cast<DWORD>(picture.width),
                      static_cast<DWORD>(picture.height), 0, 0, 0,
                      static_cast<UINT>(picture.height), picture.pixels, &info, DIB_RGB_COLORS);
}

}  // namespace qlv
