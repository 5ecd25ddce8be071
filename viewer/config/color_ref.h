// The background colour is stored as a Windows COLORREF: red + 256 x green + 65536 x blue.
#pragma once

#include <QColor>

namespace viewer {

// Only the low three bytes carry the colour; anything above them is ignored.
inline QColor colorFromColorRef(int colorRef) {
    const auto value = static_cast<unsigned>(colorRef);
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

}  // namespace viewer
