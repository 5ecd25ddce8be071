// The picture the camera films: colour bars, a grey ramp and a ball moving across, in full-range
// YCbCr 4:2:2 (Y0 Cb Y1 Cr), as the sensor and colour processor set by their registers show it.
// The tag bands (top and bottom 8 rows) are left for the caller.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry.h"
#include "picture_pipeline.h"
#include "picture_settings.h"

namespace vcam {

// What a frame depends on. Besides these, only the auto-exposure loop carries over from frame to
// frame, as it does in a real sensor.
struct SceneParams {
    double seconds = 0;             // scene time; the ball moves in 30 steps a second
    std::uint32_t frameNumber = 0;  // the sensor's frame count: the flicker's phase follows it
    PictureSettings picture;
};

class FrameGenerator {
public:
    // The frame for `params`, valid until the next call. Only what moved is redrawn and
    // reprocessed; what every frame costs beyond that is a table lookup per pixel.
    std::span<std::uint8_t> render(Geometry geometry, const SceneParams& params);

private:
    void drawBackground();
    void restore(const Box& box);
    Box drawBall(long step);

    Geometry geometry_{0, 0};
    std::vector<std::uint8_t> background_;
    std::vector<std::uint8_t> scene_;  // background with the ball
    Box ball_;
    long step_ = -1;
    PicturePipeline pipeline_;
};

}  // namespace vcam
