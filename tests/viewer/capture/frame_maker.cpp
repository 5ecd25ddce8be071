#include "frame_maker.h"

#include <algorithm>
#include <cmath>

#include "capture/frame_picture.h"

std::vector<std::uint8_t> makeFrame(int width, int height, const PixelAt& pixel,
                                    std::size_t blockBytes) {
    const std::size_t stride = viewer::rowStride(width);
    const std::size_t rowsBytes = stride * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> block(
        blockBytes != 0 ? blockBytes : viewer::kFrameHeaderBytes + rowsBytes, 0xAB);
    viewer::writeHeader(block, viewer::pictureHeader(width, height));
    std::uint8_t* rows = block.data() + viewer::kFrameHeaderBytes;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const Bgr c = pixel(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return block;
}

Bgr distinctPixel(int x, int y) {
    return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
            static_cast<std::uint8_t>((x >> 8) | ((y >> 8) << 3) | ((x + y) << 5))};
}

PixelAt smoothPicture(int width, int height) {
    return [width, height](int x, int y) {
        const double u = static_cast<double>(x) / width;
        const double v = static_cast<double>(y) / height;
        const auto level = [](double value) {
            return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
        };
        return Bgr{level(128 + 90 * std::sin(6 * u + 4 * v)), level(30 + 200 * v),
                   level(40 + 180 * u * (1 - v) + 20 * std::cos(9 * v))};
    };
}
