// The artwork's colours in one place, so buttons, panel, logo and icon stay one family.
#pragma once

#include <QColor>

namespace artwork {

// The main view's plain background, behind the logo and the "Basket" button.
inline const QColor kWindowBackground{231, 231, 231};

// Control panel: a light card a shade cooler than the window, with a crisp edge.
inline const QColor kPanelTop{244, 246, 249};
inline const QColor kPanelBottom{226, 230, 236};
inline const QColor kPanelEdge{190, 198, 208};
inline const QColor kPanelGrooveDark{205, 211, 219};

// Brand blue and the slate the lettering is set in.
inline const QColor kBrandLight{86, 156, 232};
inline const QColor kBrandDark{36, 96, 178};
inline const QColor kBrandDeep{22, 56, 112};
inline const QColor kInk{40, 50, 64};
inline const QColor kInkSoft{96, 110, 128};

// One tile's shading: a vertical gradient, its rim and the glyph drawn on it.
struct TileColours {
    QColor top, bottom, rim, glyph;
    int glyphShadowAlpha;
};

inline const TileColours kNormalTile{{78, 146, 224}, {38, 100, 184}, {30, 82, 154}, Qt::white, 70};
// Hover lifts the whole tile towards white so the change reads at a glance.
inline const TileColours kHoverTile{{128, 184, 246}, {80, 142, 222}, {62, 118, 192}, Qt::white, 50};
// Disabled: no hue and little contrast, so it recedes into the panel.
inline const TileColours kDisabledTile{
    {214, 218, 223}, {196, 201, 207}, {174, 180, 188}, {240, 242, 245}, 0};

}  // namespace artwork
