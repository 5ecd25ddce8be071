#include "view/view_geometry.h"

namespace viewer {

PanePlacements PanePlacementsOf(int layout) {
    const auto at = [](int x, int y, int w, int h) {
        return PanePlacement{true, QRect(x, y, w, h)};
    };
    PanePlacements panes{};
    switch (layout) {
        case 0:
            panes[0] = at(254, 75, 640, 480);
            break;
        case 1:
            panes[0] = at(254, 197, 320, 240);
            panes[1] = at(574, 197, 320, 240);
            break;
        case 2:
            panes[0] = at(254, 75, 320, 480);
            panes[1] = at(574, 75, 320, 480);
            break;
        case 3:
            panes[0] = at(254, 75, 320, 240);
            panes[1] = at(574, 75, 320, 240);
            panes[2] = at(254, 315, 320, 240);
            panes[3] = at(574, 315, 320, 240);
            break;
        case kFullScreenLayout:
            panes[4] = at(0, 0, kViewSize.width(), kViewSize.height());
            break;
        default:
            break;
    }
    return panes;
}

QSize ScrollSizeOf(int layout) {
    return layout == kHalfPictureLayout ? QSize(640, 10) : QSize(10, 10);
}

QRect LogoBox(QPoint topLeft, QSize picture) {
    const int w = picture.width();
    const int h = picture.height();
    if (w <= 0 || h <= 0) {
        return {};
    }
    if (h < w) {
        return {topLeft, QSize(150, h * 150 / w)};
    }
    return {topLeft, QSize(w * 120 / h, 120)};
}

}  // namespace viewer
