// Where the main view puts its children, in pixels of its 1024 x 768 client area.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

namespace viewer {

inline constexpr QSize kViewSize{1024, 768};
inline constexpr QRect kControlPanelRect{124, 159, 130, 400};
// Left 75, top 590, right 935, bottom 725 (right and bottom exclusive).
inline constexpr QRect kGalleryRect{75, 590, 860, 135};
inline constexpr QPoint kBasketTopLeft{24, 672};
inline constexpr QPoint kDefaultLogoPosition{70, 23};

inline constexpr int kPaneCount = 5;
inline constexpr int kFullScreenLayout = 4;
inline constexpr int kHalfPictureLayout = 2;

struct PanePlacement {
    bool visible = false;
    QRect rect;
    bool operator==(const PanePlacement&) const = default;
};
using PanePlacements = std::array<PanePlacement, kPaneCount>;

// The panes of screen layout 0 (one picture), 1 (two), 2 (two half pictures), 3 (four) or
// 4 (full screen). Any other layout shows no pane.
PanePlacements PanePlacementsOf(int layout);

// Panes 0 and 1 scroll their half pictures in layout 2; elsewhere there is nothing to scroll.
QSize ScrollSizeOf(int layout);

// The logo's box at `topLeft`: a wide picture is drawn 150 wide, a tall or square one 120 high,
// keeping the aspect ratio (integer arithmetic, truncating). An empty picture gives an empty box.
QRect LogoBox(QPoint topLeft, QSize picture);

}  // namespace viewer
