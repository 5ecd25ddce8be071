// Full-range BT.601 colour, as the camera's pixel pipeline emits it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vcam {

struct YCbCr {
    std::uint8_t y = 0;
    std::uint8_t cb = 128;
    std::uint8_t cr = 128;
};

inline std::uint8_t toByte(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
}

// The exact inverse of the host's conversion R = Y + 1.402 (Cr - 128),
// G = Y - 0.3456 (Cb - 128) - 0.7145 (Cr - 128), B = Y + 1.771 (Cb - 128), so a picture survives
// the round trip within rounding.
inline YCbCr toYCbCr(double red, double green, double blue) {
    const double y = 0.299 * red + 0.587 * green + 0.114 * blue;
    return {toByte(y), toByte(128.0 + (blue - y) / 1.771), toByte(128.0 + (red - y) / 1.402)};
}

}  // namespace vcam
