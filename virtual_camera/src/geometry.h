// Frame sizes the camera can send and the pace a USB 2.0 link allows for them.
#pragma once

#include <algorithm>
#include <cstddef>

namespace vcam {

struct Geometry {
    int width = 640;
    int height = 480;

    std::size_t frameBytes() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
    }
    bool operator==(const Geometry&) const = default;
};

// A rectangle of pixels; right and bottom are exclusive.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const Box&) const = default;
};

// The smallest box holding both.
inline Box unite(const Box& a, const Box& b) {
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// Status byte 1 (any nonzero value selects the large sensor readout) and the sensor's line count.
inline Geometry geometryFor(bool highResolution, bool lines480) {
    if (highResolution) {
        return {1280, 1024};
    }
    return {640, lines480 ? 480 : 512};
}

// About 40 MB/s of payload fit through a USB 2.0 bulk pipe: enough for 30 small frames a second or
// 15 large ones.
inline double realisticFramesPerSecond(Geometry geometry) {
    return geometry.width > 640 ? 15.0 : 30.0;
}

}  // namespace vcam
