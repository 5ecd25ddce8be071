#include "fit.h"

#include <algorithm>
#include <cstdint>

namespace qlv {

Rect fitFrame(int frameWidth, int frameHeight, int areaWidth, int areaHeight, Rect previous) {
    if (frameWidth == 0 || frameHeight == 0) {
        return previous;
    }
    const std::int64_t fw = frameWidth, fh = frameHeight, dw = areaWidth, dh = areaHeight;
    Rect fit;
    if (fh * dw < fw * dh) {
        // The area is relatively taller: full width, bars above and below.
        fit.width = areaWidth;
        fit.height = static_cast<int>((fh * dw + fw - 1) / fw);
        fit.top = (areaHeight - fit.height) / 2;
    } else {
        fit.height = areaHeight;
        fit.width = static_cast<int>((fw * dh + fh - 1) / fh);
        fit.left = (areaWidth - fit.width) / 2;
    }
    fit.width = fit.width < 0 ? 1 : std::min(fit.width, areaWidth);
    fit.height = fit.height < 0 ? 1 : std::min(fit.height, areaHeight);
    return fit;
}

}  // namespace qlv
