// A read-only view of 24-bit pixel rows stored bottom-up, as bitmaps keep them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace viewer {

struct BottomUpRows {
    const std::uint8_t* bottom = nullptr;  // first byte of the picture's bottom row
    std::size_t stride = 0;                // bytes from one row to the row above it
    int width = 0;
    int height = 0;

    // Row `fromBottom` (0 = bottom row): 3 x width bytes of blue, green, red.
    const std::uint8_t* row(int fromBottom) const {
        return bottom + stride * static_cast<std::size_t>(fromBottom);
    }
};

}  // namespace viewer
