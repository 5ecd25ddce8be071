// Pictures whose every pixel says where it came from, so a painted or copied pixel can be traced
// back to its source row and column.
#pragma once

#include "capture/frame_picture.h"

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <vector>

namespace test {

// Colour of picture pixel (x, row), row counted from the top: blue and the low half of green
// carry the row, red and the high half of green the column.
inline QRgb tagOf(int x, int row) {
    return qRgb(x & 0xFF, ((x >> 8) << 4) | ((row >> 8) & 0x0F), row & 0xFF);
}

// The (column, row) a tag colour names.
inline QPoint sourceOf(QRgb tag) {
    return {qRed(tag) + 256 * (qGreen(tag) >> 4), qBlue(tag) + 256 * (qGreen(tag) & 0x0F)};
}

// A whole frame picture block of exactly the picture's size: header, then bottom-up padded rows.
inline std::vector<std::uint8_t> taggedFrame(int width, int height) {
    const std::size_t stride = viewer::rowStride(width);
    std::vector<std::uint8_t> block(viewer::kFrameHeaderBytes + stride * height);
    viewer::writeHeader(block, viewer::pictureHeader(width, height));
    for (int row = 0; row < height; ++row) {
        std::uint8_t* out = block.data() + viewer::kFrameHeaderBytes + stride * (height - 1 - row);
        for (int x = 0; x < width; ++x, out += 3) {
            const QRgb tag = tagOf(x, row);
            out[0] = static_cast<std::uint8_t>(qBlue(tag));
            out[1] = static_cast<std::uint8_t>(qGreen(tag));
            out[2] = static_cast<std::uint8_t>(qRed(tag));
        }
    }
    return block;
}

// The same picture as a top-down image.
inline QImage taggedImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, row, tagOf(x, row));
        }
    }
    return image;
}

}  // namespace test
