// Row layout of device-independent bitmaps at 1, 4, 8 and 24 bits per pixel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace viewer {

// Bytes per row: width x bitCount bits rounded up to whole 32-bit words.
constexpr std::size_t dibStride(int width, int bitCount) noexcept {
    const auto bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount);
    return (bits + 31) / 32 * 4;
}

// Entries in the colour table of a picture with this many bits per pixel: 2, 16, 256 or 0.
int colorTableLength(int bitCount) noexcept;

// Packs `width` colour indices (one per byte) into a row of 1, 4 or 8 bits per pixel, leftmost
// pixel in the high bits. Indices are masked to the depth; `row` must hold dibStride bytes and
// be zeroed by the caller.
void packIndices(const std::uint8_t* indices, int width, int bitCount, std::uint8_t* row) noexcept;

// The reverse: one index per byte from a row of 1, 4 or 8 bits per pixel.
void unpackIndices(const std::uint8_t* row, int width, int bitCount,
                   std::uint8_t* indices) noexcept;

}  // namespace viewer
