// Frame sizes by resolution and sensor height.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qlv {

struct FrameGeometry {
    int width = 0;
    int height = 0;

    // Bytes of one frame on the wire: YCbCr 4:2:2, two bytes a pixel, no header.
    std::size_t frameBytes() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
    }
    // Bytes asked per bulk read: the frame rounded up to the next multiple of 512, or 512 more
    // when it already is one, so that the camera always ends a frame with a short packet.
    std::size_t readLength() const { return (frameBytes() & ~std::size_t{511}) + 512; }
    // Bytes a frame buffer holds for this geometry.
    std::size_t bufferSize() const { return frameBytes() + 512; }
};

// Resolution 0 is 640 wide with 480 or 512 lines by the sensor; resolution 1 is 1280 x 1024.
inline FrameGeometry geometryFor(std::uint32_t resolution, bool lines480) {
    if (resolution == 1) {
        return {1280, 1024};
    }
    return {640, lines480 ? 480 : 512};
}

}  // namespace qlv
