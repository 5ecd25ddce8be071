// Dialog layouts are designed in dialog units, which scale with the dialog font. These are the
// pixels of the 8-point system font at 96 dpi: a horizontal unit is 1.5 pixels, a vertical one
// 1.625 (13/8) pixels.
#pragma once

#include <QRect>
#include <Qt>

namespace viewer {

constexpr int DialogUnitsX(int units) {
    return units * 3 / 2;
}
constexpr int DialogUnitsY(int units) {
    return units * 13 / 8;
}

// A control's rectangle given in dialog units.
inline QRect DialogUnitRect(int x, int y, int width, int height) {
    return {DialogUnitsX(x), DialogUnitsY(y), DialogUnitsX(width), DialogUnitsY(height)};
}

// Fixed-size dialogs: a title with a close button, nothing to minimise or maximise.
inline constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

}  // namespace viewer
