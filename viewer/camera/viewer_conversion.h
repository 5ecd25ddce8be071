// The viewer's own colour conversion of a camera frame into frame picture rows.
#pragma once

#include <cstdint>
#include <span>

namespace viewer {

// Converts a YCbCr 4:2:2 frame (Y0 Cb Y1 Cr per pixel pair, rows top-down) of width x height
// into bottom-up blue-green-red rows of exactly 3 x width bytes, with the viewer's decimal colour
// tables. Returns false, writing nothing, when either buffer is too short or the size is not a
// camera frame's (positive, even width).
bool convertFrameForViewer(std::span<const std::uint8_t> yuyv, int width, int height,
                           std::span<std::uint8_t> bgrBottomUp) noexcept;

}  // namespace viewer
