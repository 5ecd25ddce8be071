#include "display_target.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qlv {
namespace {

std::uint8_t* rowOf(std::uint32_t* pixels, std::size_t stride, int y) {
    return reinterpret_cast<std::uint8_t*>(pixels) + stride * static_cast<std::size_t>(y);
}

}  // namespace

bool usableTarget(DisplayTarget target) {
    return target->pixels != nullptr && target->width > 0 && target->height > 0 &&
           target->stride >= static_cast<std::int64_t>(target->width) * 4;
}

void present(DisplayTarget target, const XrgbSurface& picture) {
    const int width = std::min(picture.width, target->width);
    const int height = std::min(picture.height, target->height);
    const auto stride = static_cast<std::size_t>(target->stride);
    for (int y = 0; y < height; ++y) {
        std::memcpy(rowOf(target->pixels, stride, y), rowOf(picture.pixels, picture.stride, y),
                    static_cast<std::size_t>(width) * 4);
    }
}

}  // namespace qlv
