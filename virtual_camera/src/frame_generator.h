// The picture the camera films: colour bars, a grey ramp and a ball moving across, in full-range
// YCbCr 4:2:2 (Y0 Cb Y1 Cr). The tag bands (top and bottom 8 rows) are left black for the caller.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry.h"

namespace vcam {

// What the scene depends on. Sensor settings taken from the register file (exposure, contrast,
// hue, ...) are meant to join the time here, so the generator stays a function of its inputs.
struct SceneParams {
    double seconds = 0;  // scene time; the ball moves in 30 steps a second
};

class FrameGenerator {
public:
    // Brings the generator's frame to the scene at `params` and returns it. Only what moved is
    // redrawn, so a frame costs about the ball's area; the tag bands are not touched except when
    // the geometry changes.
    std::span<std::uint8_t> render(Geometry geometry, const SceneParams& params);

private:
    struct Box {
        int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    };

    void drawBackground();
    void restore(const Box& box);
    Box drawBall(long step);

    Geometry geometry_{0, 0};
    std::vector<std::uint8_t> background_;
    std::vector<std::uint8_t> frame_;
    Box ball_;
    long step_ = -1;
};

}  // namespace vcam
