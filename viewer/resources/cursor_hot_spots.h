// Hot spots of the program's own cursors, kept beside the pictures they belong to.
#pragma once

#include <QPoint>

namespace res {

// Cursor 164, the picture buttons' pointing hand: the tip of the index finger.
inline constexpr QPoint kSkinButtonCursorHotSpot{12, 1};

}  // namespace res
