// Every picture button of the viewer: its bitmaps, size, glyph and where it is shown, which
// decides what its corners show.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <vector>

#include "resources/resource_ids.h"

namespace artwork {

struct ButtonPictures {
    res::ButtonBitmaps bitmaps;
    QImage normal, hover, disabled;
};

// Renders all buttons; `panel` is the control panel background most of them sit on.
std::vector<ButtonPictures> renderButtons(const QImage& panel);

// Where each button sits on the panel (buttons not on the panel are left out).
struct PanelPlace {
    res::ButtonBitmaps bitmaps;
    QPoint position;
};
std::vector<PanelPlace> panelPlaces();

// The "Basket" button's place in the main view, on the window background.
inline constexpr QPoint kBasketPosition{24, 672};

}  // namespace artwork
