// The picture pane's cursors, addressed by resource number.
#pragma once

#include <QCursor>

namespace viewer {

// Shown while the pane is not live (a right-pointing triangle).
inline constexpr int kCursorNotLive = 225;
// Shown while the pane is live (two upright bars).
inline constexpr int kCursorLive = 226;

// The cursor with that resource number and its hot spot; the arrow for unknown numbers.
QCursor paneCursor(int resourceNumber);

}  // namespace viewer
