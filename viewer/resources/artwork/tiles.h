// The control panel's background and the rounded tiles every picture button is drawn as.
#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>

#include "palette.h"

namespace artwork {

// The panel background, 130 x 400 (drawn once, untiled, behind the whole panel).
QImage panelBackground();

// A button picture: `backdrop` (the button's size, what lies behind the button where it is shown)
// with a rounded tile over `tile` and `glyph`, already placed in button coordinates, on it.
// Buttons have no transparency, so the backdrop is what the tile's corners and shadow show.
QImage tileButton(const QImage& backdrop, const QRectF& tile, double radius,
                  const QPainterPath& glyph, const TileColours& colours);

// `glyph` from its `box` (top-left at 0, 0) scaled by `scale` and centred on `centre`.
QPainterPath placed(const QPainterPath& glyph, QSizeF box, QPointF centre, double scale);

}  // namespace artwork
