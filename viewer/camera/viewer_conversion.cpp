#include "camera/viewer_conversion.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace viewer {
namespace {

struct DecimalTables {
    std::array<int, 256> vToR, vToG, uToG, uToB;
};

constexpr DecimalTables makeTables() {
    DecimalTables t{};
    for (int i = 0; i < 256; ++i) {
        t.vToR[i] = 14022 * (i - 128) / 10000;
        t.vToG[i] = 7145 * (i - 128) / 10000;
        t.uToG[i] = 3456 * (i - 128) / 10000;
        t.uToB[i] = 17710 * (i - 128) / 10000;
    }
    return t;
}
constexpr DecimalTables kTables = makeTables();

std::uint8_t clamp(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

bool convertFrameForViewer(std::span<const std::uint8_t> yuyv, int width, int height,
                           std::span<std::uint8_t> bgrBottomUp) noexcept {
    if (width <= 0 || width % 2 != 0 || height <= 0) {
        return false;
    }
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    if (yuyv.size() < 2 * w * h || bgrBottomUp.size() < 3 * w * h) {
        return false;
    }
    for (std::size_t r = 0; r < h; ++r) {
        const std::uint8_t* src = yuyv.data() + 2 * w * r;
        std::uint8_t* dst = bgrBottomUp.data() + 3 * w * (h - 1 - r);
        for (std::size_t p = 0; p < w / 2; ++p, src += 4, dst += 6) {
            const int u = src[1];
            const int v = src[3];
            const int blue = kTables.uToB[u];
            const int green = kTables.vToG[v] + kTables.uToG[u];
            const int red = kTables.vToR[v];
            for (int i = 0; i < 2; ++i) {
                const int y = src[2 * i];
                dst[3 * i] = clamp(y + blue);
                dst[3 * i + 1] = clamp(y - green);
                dst[3 * i + 2] = clamp(y + red);
            }
        }
    }
    return true;
}

}  // namespace viewer
