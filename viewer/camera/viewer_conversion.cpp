#include "camera/viewer_conversion.h"

#include <cstddef>

#include "convert/yuyv_to_bgr.h"

namespace viewer {

bool convertFrameForViewer(std::span<const std::uint8_t> yuyv, int width, int height,
                           std::span<std::uint8_t> bgrBottomUp) noexcept {
    if (width <= 0) {
        return false;
    }
    return qlv::convert::convertFrame(qlv::convert::Formula::ViewerDecimal, yuyv, width, height,
                                      bgrBottomUp, 3 * static_cast<std::size_t>(width));
}

}  // namespace viewer
