// Where the display thread's pictures go: the caller's QLV_Surface, or on Windows a device
// context (HDC). The thread draws off-screen and hands each whole picture over here.
#pragma once

#include <QLV_API.h>

#include "stretch.h"

namespace qlv {

using DisplayTarget = QLV_DrawTarget;

// False for a target that cannot be drawn into (QLV_DispWinBitmap refuses it).
bool usableTarget(DisplayTarget target);

// Copies `picture` to the target's top left corner, clipped to the target.
void present(DisplayTarget target, const XrgbSurface& picture);

}  // namespace qlv
