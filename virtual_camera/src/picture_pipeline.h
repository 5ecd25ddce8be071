// The sensor and colour processor between the scene and the USB controller: turns the drawn scene
// into the picture its registers ask for (exposure, gain, auto exposure, knee curve, contrast,
// sharpness, mirror, white balance, flicker, colour rotation, chroma gains and offsets).
//
// Work is split so that a frame costs little, and every stage is kept between frames and redone
// only where the scene changed, or for the whole picture when its own settings did. The first
// stage depends on the scene and on settings that rarely change: sharpened luma (sharpening works
// on the light, ahead of the knee curve) and finished chroma. The second runs over the picture
// when exposure, curve or mirror change, since they reach every pixel: one level-table lookup per
// pixel, the mirror, and the mean luma the auto-exposure loop meters. Flickering light, which
// moves every frame, scales each row of that result on the way out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "geometry.h"
#include "picture_settings.h"
#include "tone.h"

namespace vcam {

class PicturePipeline {
public:
    // The picture for one frame of `scene` (full-range YCbCr 4:2:2, Y0 Cb Y1 Cr). `changed`
    // bounds what differs in the scene since the last call; a new geometry redoes everything.
    // The tag bands (top and bottom 8 rows) are left for the caller to stamp. The result stays
    // valid until the next call.
    std::span<std::uint8_t> process(std::span<const std::uint8_t> scene, Geometry geometry,
                                    const Box& changed, const PictureSettings& settings,
                                    std::uint32_t frameNumber);

private:
    struct LevelKey {
        Knees knees;
        int contrast = 0;
        double exposure = 0;
        bool operator==(const LevelKey&) const = default;
    };
    // Per scene luma: how chroma follows the luma change, and the cast of unbalanced light.
    struct ChromaTables {
        std::array<int, 256> scale{};  // 256 = unchanged
        std::array<int, 256> castCb{};
        std::array<int, 256> castCr{};
        std::array<int, 4> matrix{};  // 16384 = 1
        int offsetCb = 0;
        int offsetCr = 0;
        bool operator==(const ChromaTables&) const = default;
    };

    double exposureFor(const PictureSettings& settings);
    // Each returns what it refreshed: `dirty`, or the whole picture when its tables changed.
    bool updateLevelTables(const PictureSettings& settings, double exposure);
    Box updateSharpLuma(std::span<const std::uint8_t> scene, int sharpness, const Box& dirty);
    Box updateChroma(std::span<const std::uint8_t> scene, const PictureSettings& settings,
                     const Box& dirty);
    void compose(const Box& region, bool mirror);
    void addFlicker(int mainsHz, std::uint32_t frameNumber);

    Geometry geometry_{0, 0};
    Box picture_;                          // the rows between the tag bands
    std::vector<std::uint8_t> sharpLuma_;  // one byte a pixel
    std::vector<std::uint8_t> chroma_;     // Cb, Cr of each pixel pair
    std::vector<std::uint8_t> composed_;   // the picture in steady light
    std::uint64_t lumaSum_ = 0;            // over its picture rows
    std::optional<bool> composedMirror_;   // of composed_; none = to be composed whole
    std::vector<std::uint8_t> flickered_;  // the picture under flickering light
    int sharpenAmount_ = -1;               // of the kept luma; -1 = none kept

    std::optional<LevelKey> levelKey_;
    LevelTable levels_{};
    std::optional<ChromaTables> chromaTables_;

    AutoExposure autoExposure_;
    bool autoExposureWasOn_ = false;
    double lastExposure_ = 1.0;
};

}  // namespace vcam
