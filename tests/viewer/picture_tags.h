// Reading the virtual camera's frame tags back out of a frame picture. The tags are grey blocks
// (Cb = Cr = 128), which convert to blue = green = red = Y, so a frame rebuilt from the green
// channel lets the camera's own decoder read them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <virtual_camera/virtual_camera.h>

#include "capture/frame_picture.h"

namespace viewer::test {

struct Tags {
    std::optional<std::uint32_t> top, bottom;
};

inline Tags tagsOfFrame(std::span<const std::uint8_t> yuyv, int width, int height) {
    return {vcam::decodeTopTag(yuyv, width, height), vcam::decodeBottomTag(yuyv, width, height)};
}

// `picture` is a frame picture block of a camera frame (rows of exactly 3 x width bytes).
inline Tags tagsOfPicture(std::span<const std::uint8_t> picture) {
    const BitmapInfoHeader header = readHeader(picture);
    const auto w = static_cast<std::size_t>(header.width);
    const auto h = static_cast<std::size_t>(header.height);
    std::vector<std::uint8_t> yuyv(2 * w * h, 128);
    const std::uint8_t* rows = picture.data() + kFrameHeaderBytes;
    for (std::size_t r = 0; r < h; ++r) {
        const std::uint8_t* row = rows + 3 * w * (h - 1 - r);
        for (std::size_t x = 0; x < w; ++x) {
            yuyv[2 * (w * r + x)] = row[3 * x + 1];
        }
    }
    return tagsOfFrame(yuyv, header.width, header.height);
}

}  // namespace viewer::test
