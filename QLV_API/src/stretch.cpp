#include "stretch.h"

#include <algorithm>
#include <cmath>

namespace qlv {
namespace {

constexpr int weightBits = 14;
constexpr int weightOne = 1 << weightBits;

using Contribution = SmoothStretcher::Taps;

// Box filter of the footprint's width when shrinking, a tent of one pixel when enlarging.
std::vector<Contribution> contributions(int sourceSize, int targetSize) {
    std::vector<Contribution> result(static_cast<std::size_t>(targetSize));
    const double scale = static_cast<double>(sourceSize) / targetSize;
    const double support = std::max(scale, 1.0);
    for (int out = 0; out < targetSize; ++out) {
        const double centre = (out + 0.5) * scale;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(centre + support)));
        std::vector<double> raw;
        double total = 0;
        for (int in = first; in <= last; ++in) {
            const double distance = std::abs(in + 0.5 - centre) / support;
            const double weight = std::max(0.0, 1.0 - distance);
            raw.push_back(weight);
            total += weight;
        }
        auto& contribution = result[static_cast<std::size_t>(out)];
        contribution.first = first;
        int assigned = 0;
        for (double weight : raw) {
            const int fixed = static_cast<int>(std::lround(weight / total * weightOne));
            contribution.weights.push_back(fixed);
            assigned += fixed;
        }
        // Rounding leftovers go to the heaviest tap so that flat areas stay exactly flat.
        auto heaviest = std::max_element(contribution.weights.begin(), contribution.weights.end());
        *heaviest += weightOne - assigned;
    }
    return result;
}

std::uint8_t clampToByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

void SmoothStretcher::draw(const BgrImage& source, const XrgbSurface& target, Rect into) {
    if (source.width <= 0 || source.height <= 0 || into.width <= 0 || into.height <= 0) {
        return;
    }
    if (source.width != sourceWidth_ || into.width != targetWidth_) {
        horizontal_ = contributions(source.width, into.width);
        sourceWidth_ = source.width;
        targetWidth_ = into.width;
    }
    if (source.height != sourceHeight_ || into.height != targetHeight_) {
        vertical_ = contributions(source.height, into.height);
        sourceHeight_ = source.height;
        targetHeight_ = into.height;
    }
    const auto& horizontal = horizontal_;
    const auto& vertical = vertical_;
    auto& scratch = scratch_;

    // Pass 1: every source row (top-down) scaled to the target width, packed XRGB.
    const auto intermediateWidth = static_cast<std::size_t>(into.width);
    scratch.resize(intermediateWidth * static_cast<std::size_t>(source.height));
    for (int row = 0; row < source.height; ++row) {
        const std::uint8_t* line =
            source.pixels + source.stride * static_cast<std::size_t>(source.height - 1 - row);
        std::uint32_t* out = scratch.data() + intermediateWidth * static_cast<std::size_t>(row);
        for (std::size_t x = 0; x < intermediateWidth; ++x) {
            const auto& c = horizontal[x];
            int b = 0, g = 0, r = 0;
            for (std::size_t i = 0; i < c.weights.size(); ++i) {
                const std::uint8_t* pixel =
                    line + 3 * static_cast<std::size_t>(c.first + static_cast<int>(i));
                b += pixel[0] * c.weights[i];
                g += pixel[1] * c.weights[i];
                r += pixel[2] * c.weights[i];
            }
            const int half = weightOne / 2;
            out[x] = 0xFF000000u | (std::uint32_t{clampToByte((r + half) >> weightBits)} << 16) |
                     (std::uint32_t{clampToByte((g + half) >> weightBits)} << 8) |
                     clampToByte((b + half) >> weightBits);
        }
    }

    // Pass 2: columns scaled to the target height, written where they land on the surface.
    for (int y = 0; y < into.height; ++y) {
        const int surfaceY = into.top + y;
        if (surfaceY < 0 || surfaceY >= target.height) {
            continue;
        }
        auto* out =
            reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(target.pixels) +
                                             target.stride * static_cast<std::size_t>(surfaceY));
        const auto& c = vertical[static_cast<std::size_t>(y)];
        for (int x = 0; x < into.width; ++x) {
            const int surfaceX = into.left + x;
            if (surfaceX < 0 || surfaceX >= target.width) {
                continue;
            }
            int b = 0, g = 0, r = 0;
            for (std::size_t i = 0; i < c.weights.size(); ++i) {
                const std::uint32_t pixel =
                    scratch[intermediateWidth *
                                static_cast<std::size_t>(c.first + static_cast<int>(i)) +
                            static_cast<std::size_t>(x)];
                r += static_cast<int>((pixel >> 16) & 0xFF) * c.weights[i];
                g += static_cast<int>((pixel >> 8) & 0xFF) * c.weights[i];
                b += static_cast<int>(pixel & 0xFF) * c.weights[i];
            }
            const int half = weightOne / 2;
            out[surfaceX] = 0xFF000000u |
                            (std::uint32_t{clampToByte((r + half) >> weightBits)} << 16) |
                            (std::uint32_t{clampToByte((g + half) >> weightBits)} << 8) |
                            clampToByte((b + half) >> weightBits);
        }
    }
}

}  // namespace qlv
