// Smooth scaling of a 24-bit bottom-up BGR bitmap into a rectangle of an XRGB surface: area
// averaging when shrinking, linear interpolation when enlarging, done in two separable passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qlv {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

struct BgrImage {
    const std::uint8_t* pixels = nullptr;  // bottom-up rows
    int width = 0;
    int height = 0;
    std::size_t stride = 0;  // bytes per row
};

struct XrgbSurface {
    std::uint32_t* pixels = nullptr;  // top-down rows
    int width = 0;
    int height = 0;
    std::size_t stride = 0;  // bytes per row
};

// Keeps the filter taps and the intermediate rows between draws, so that drawing the same sizes
// again allocates nothing.
class SmoothStretcher {
public:
    // Scales `source` into `into` (clipped to the surface); pixels outside `into` are untouched.
    void draw(const BgrImage& source, const XrgbSurface& target, Rect into);

    // The source pixels and weights (summing to 1 << 14) that make one destination pixel.
    struct Taps {
        int first = 0;
        std::vector<int> weights;
    };

private:
    int sourceWidth_ = 0, sourceHeight_ = 0, targetWidth_ = 0, targetHeight_ = 0;
    std::vector<Taps> horizontal_, vertical_;
    std::vector<std::uint32_t> scratch_;
};

}  // namespace qlv
