// Where a frame lands inside the display area: as large as fits, aspect kept, centred.
#pragma once

#include "stretch.h"

namespace qlv {

// A frame size of 0 keeps `previous`: there is nothing to fit before the first stream.
Rect fitFrame(int frameWidth, int frameHeight, int areaWidth, int areaHeight, Rect previous);

}  // namespace qlv
