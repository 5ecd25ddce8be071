// Frame pictures for the capture tests, in blocks exactly as large as their rows need, so that
// AddressSanitizer sees any read past them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

struct Bgr {
    std::uint8_t b = 0, g = 0, r = 0;
    bool operator==(const Bgr&) const = default;
};

// Colour of the pixel at column x, row y counted from the top.
using PixelAt = std::function<Bgr(int x, int y)>;

// A frame picture: header width x height, then the rows bottom-up. blockBytes 0 means exactly
// the header and rows.
std::vector<std::uint8_t> makeFrame(int width, int height, const PixelAt& pixel,
                                    std::size_t blockBytes = 0);

// Different in every pixel of a 1280 x 1024 frame, so any misplaced row or column shows.
Bgr distinctPixel(int x, int y);

// A smooth, photo-like picture of the given size (JPEG keeps it closely).
PixelAt smoothPicture(int width, int height);
