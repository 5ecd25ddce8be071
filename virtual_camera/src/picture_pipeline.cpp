#include "picture_pipeline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tags.h"

namespace vcam {
namespace {

// Flicker: the rows' brightness swings by this much around its mean.
constexpr double kFlickerDepth = 0.04;
// The sensor's frame clock comes from its own crystal and runs a little slow of the USB pace,
// so the bands drift through the picture even where the frame rate divides the mains.
constexpr double kSensorClockRatio = 0.99;

constexpr int kLargestSharpness = 15;
// Chroma follows the luma it rides on, up to this factor, and fades where the luma is pushed
// into the top levels: there a real sensor's channels clip to white.
constexpr double kLargestChromaScale = 3.0;
constexpr double kHighlightFade = 32.0;
constexpr std::size_t kHighlightsFrom = 223;  // 255 - kHighlightFade
// Light a little warm for the sensor's daylight balance: the cast of AWB off, per output level.
constexpr double kCastCb = -0.04;
constexpr double kCastCr = 0.035;

std::uint8_t clampLevel(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

std::size_t at(const Geometry& g, int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width) +
           static_cast<std::size_t>(x);
}

Box intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

}  // namespace

std::span<std::uint8_t> PicturePipeline::process(std::span<const std::uint8_t> scene,
                                                 Geometry geometry, const Box& changed,
                                                 const PictureSettings& settings,
                                                 std::uint32_t frameNumber) {
    Box dirty = changed;
    if (geometry != geometry_) {
        geometry_ = geometry;
        const std::size_t pixels = static_cast<std::size_t>(geometry.width) *
                                   static_cast<std::size_t>(std::max(geometry.height, 0));
        picture_ = {0, kTagBandRows, geometry.width, geometry.height - kTagBandRows};
        sharpLuma_.assign(pixels, 0);
        chroma_.assign(pixels, 128);
        composed_.assign(2 * pixels, 0);
        for (std::size_t i = 1; i < composed_.size(); i += 2) {
            composed_[i] = 128;
        }
        flickered_ = composed_;
        lumaSum_ = 0;
        sharpenAmount_ = -1;
        levelKey_.reset();
        chromaTables_.reset();
        composedMirror_.reset();
        dirty = picture_;
    }
    if (picture_.empty() || scene.size() < composed_.size()) {
        return composed_;  // no room for a picture between the tag bands
    }
    dirty = intersect(dirty, picture_);

    const bool newLevels = updateLevelTables(settings, exposureFor(settings));
    const Box luma = updateSharpLuma(scene, settings.sharpness, dirty);
    const Box chroma = updateChroma(scene, settings, dirty);
    const bool whole = newLevels || composedMirror_ != settings.mirror;
    composedMirror_ = settings.mirror;
    compose(whole ? picture_ : unite(luma, chroma), settings.mirror);
    if (settings.autoExposure) {
        // Metered in steady light: over a frame the flicker's bands average out.
        const auto pixels = static_cast<double>(picture_.right - picture_.left) *
                            static_cast<double>(picture_.bottom - picture_.top);
        autoExposure_.update(static_cast<double>(lumaSum_) / pixels, settings.autoExposureTarget);
    }
    if (flickerBands(settings.flickerCode, settings.mainsHz)) {
        addFlicker(settings.mainsHz, frameNumber);
        return flickered_;
    }
    return composed_;
}

// With AE on, the loop's exposure, started from the one the sensor had when AE came on;
// otherwise the registers'.
double PicturePipeline::exposureFor(const PictureSettings& settings) {
    double exposure = 0;
    if (settings.autoExposure) {
        if (!autoExposureWasOn_) {
            autoExposure_.restart(lastExposure_);
        }
        exposure = autoExposure_.factor();
    } else {
        exposure = manualExposureFactor(settings, geometry_.width > 640);
    }
    autoExposureWasOn_ = settings.autoExposure;
    lastExposure_ = exposure;
    return exposure;
}

bool PicturePipeline::updateLevelTables(const PictureSettings& settings, double exposure) {
    const LevelKey key{settings.knees, settings.contrast, exposure};
    if (levelKey_ == key) {
        return false;
    }
    levelKey_ = key;
    const LevelTable before = levels_;
    buildLevelTable(levels_, KneeCurve(settings.knees), settings.contrast, exposure);
    return levels_ != before;
}

// Unsharp mask on the scene's luma: each pixel moves away from the mean of its four neighbours
// by sharpness / 8 of the difference. Neighbours beyond the picture repeat its edge, so the tag
// bands leave no halo.
Box PicturePipeline::updateSharpLuma(std::span<const std::uint8_t> scene, int sharpness,
                                     const Box& dirty) {
    const int amount = std::clamp(sharpness, 0, kLargestSharpness) * 32;  // of the detail / 1024
    Box region = dirty;
    if (amount != sharpenAmount_) {
        sharpenAmount_ = amount;
        region = picture_;
    } else if (!region.empty()) {
        region = intersect({region.left - 1, region.top - 1, region.right + 1, region.bottom + 1},
                           picture_);
    }
    if (region.empty()) {
        return {};
    }
    const Geometry& g = geometry_;
    const int last = g.width - 1;
    for (int y = region.top; y < region.bottom; ++y) {
        const std::uint8_t* row = scene.data() + 2 * at(g, 0, y);
        const std::uint8_t* up = scene.data() + 2 * at(g, 0, std::max(y - 1, picture_.top));
        const std::uint8_t* down =
            scene.data() + 2 * at(g, 0, std::min(y + 1, picture_.bottom - 1));
        std::uint8_t* out = sharpLuma_.data() + at(g, 0, y);
        const auto sharpen = [&](int x, int left, int right) {
            const int centre = row[2 * x];
            const int detail =
                4 * centre - up[2 * x] - down[2 * x] - row[2 * left] - row[2 * right];
            out[x] = clampLevel(centre + ((detail * amount + 512) >> 10));
        };
        if (amount == 0) {
            for (int x = region.left; x < region.right; ++x) {
                out[x] = row[2 * x];
            }
            continue;
        }
        const int from = std::max(region.left, 1);
        const int to = std::min(region.right, last);
        if (region.left == 0) {
            sharpen(0, 0, std::min(1, last));
        }
        for (int x = from; x < to; ++x) {
            sharpen(x, x - 1, x + 1);
        }
        if (region.right > last && last > 0) {
            sharpen(last, last - 1, last);
        }
    }
    return region;
}

// Chroma in the order the colour processor works: it follows the luma change (so a darker
// picture is also a paler one), takes the cast of unbalanced light, then the matrix (hue
// rotation, with the Cb and Cr gains on its rows) and the offsets.
Box PicturePipeline::updateChroma(std::span<const std::uint8_t> scene,
                                  const PictureSettings& settings, const Box& dirty) {
    ChromaTables tables;
    for (std::size_t level = 0; level < 256; ++level) {
        const std::size_t metered = std::max<std::size_t>(level, 16);  // ratios of black are noise
        double ratio = levels_[metered] / static_cast<double>(metered);
        if (level < kHighlightsFrom) {
            ratio *= std::min(1.0, (255.0 - levels_[level]) / kHighlightFade);
        }
        tables.scale[level] =
            static_cast<int>(std::lround(std::min(ratio, kLargestChromaScale) * 256));
        if (!settings.autoWhiteBalance) {
            tables.castCb[level] = static_cast<int>(std::lround(kCastCb * levels_[level]));
            tables.castCr[level] = static_cast<int>(std::lround(kCastCr * levels_[level]));
        }
    }
    const auto& m = settings.rotation;
    tables.matrix = {m[0] * (32 + settings.cbGain), m[1] * (32 + settings.cbGain),
                     m[2] * (32 + settings.crGain), m[3] * (32 + settings.crGain)};
    tables.offsetCb = settings.cbOffset;
    tables.offsetCr = settings.crOffset;

    Box region = dirty;
    if (chromaTables_ != tables) {
        chromaTables_ = tables;
        region = picture_;
    }
    region.left &= ~1;
    region.right = std::min(region.right + (region.right & 1), picture_.right);
    const ChromaTables& t = *chromaTables_;
    const Geometry& g = geometry_;
    const auto width = static_cast<std::ptrdiff_t>(g.width);
    for (int y = region.top; y < region.bottom; ++y) {
        const std::uint8_t* in = scene.data() + 2 * at(g, 0, y);
        std::uint8_t* out = chroma_.data() + at(g, 0, y);
        // Rows above are done (or unchanged), and scenes repeat rows a lot: a row like the one
        // above gets the same chroma.
        if (y > picture_.top && std::equal(in + 2 * region.left, in + 2 * region.right,
                                           in - 2 * width + 2 * region.left)) {
            std::copy(out - width + region.left, out - width + region.right, out + region.left);
            continue;
        }
        for (int x = region.left; x < region.right; x += 2) {
            const std::uint8_t* pair = in + 2 * x;
            // Scenes are mostly flat: a pair like the one before it gets the same chroma.
            if (x > region.left && std::equal(pair, pair + 4, pair - 4)) {
                out[x] = out[x - 2];
                out[x + 1] = out[x - 1];
                continue;
            }
            const auto metered = static_cast<std::size_t>((pair[0] + pair[2] + 1) / 2);
            const int scale = t.scale[metered];
            const int cb = (((pair[1] - 128) * scale + 128) >> 8) + t.castCb[metered];
            const int cr = (((pair[3] - 128) * scale + 128) >> 8) + t.castCr[metered];
            const int rotatedCb = (t.matrix[0] * cb + t.matrix[1] * cr + 8192) >> 14;
            const int rotatedCr = (t.matrix[2] * cb + t.matrix[3] * cr + 8192) >> 14;
            out[x] = clampLevel(128 + rotatedCb + t.offsetCb);
            out[x + 1] = clampLevel(128 + rotatedCr + t.offsetCr);
        }
    }
    return region;
}

// The level table over the kept luma, with the kept chroma, into the composed picture; keeps the
// sum of its luma for the auto-exposure loop.
void PicturePipeline::compose(const Box& region, bool mirror) {
    const Geometry& g = geometry_;
    const int pairs = g.width / 2;
    const int first = std::max(region.left, 0) / 2;
    const int end = std::min((region.right + 1) / 2, pairs);
    for (int y = region.top; y < region.bottom; ++y) {
        const std::uint8_t* levels = levels_.data();
        const std::uint8_t* luma = sharpLuma_.data() + at(g, 0, y);
        const std::uint8_t* chroma = chroma_.data() + at(g, 0, y);
        std::uint8_t* out = composed_.data() + 2 * at(g, 0, y);
        // Mirrored, pair p lands at the far end with its two pixels swapped; chroma is shared by
        // the pair and stays with it.
        const int firstOut = mirror ? pairs - end : first;
        const int endOut = firstOut + (end - first);
        const auto lumaSumOf = [&] {
            std::uint32_t sum = 0;
            for (int p = firstOut; p < endOut; ++p) {
                sum += static_cast<std::uint32_t>(out[4 * p] + out[4 * p + 2]);
            }
            return sum;
        };
        const std::uint32_t before = lumaSumOf();
        // As with chroma: a row whose inputs repeat the row above repeats its output.
        const auto width = static_cast<std::ptrdiff_t>(g.width);
        if (y > picture_.top &&
            std::equal(luma + 2 * first, luma + 2 * end, luma - width + 2 * first) &&
            std::equal(chroma + 2 * first, chroma + 2 * end, chroma - width + 2 * first)) {
            std::copy(out - 2 * width + 4 * firstOut, out - 2 * width + 4 * endOut,
                      out + 4 * firstOut);
            lumaSum_ = lumaSum_ - before + lumaSumOf();
            continue;
        }
        std::uint32_t after = 0;
        if (mirror) {
            for (int p = first; p < end; ++p) {
                std::uint8_t* pair = out + 4 * (pairs - 1 - p);
                pair[0] = levels[luma[2 * p + 1]];
                pair[1] = chroma[2 * p];
                pair[2] = levels[luma[2 * p]];
                pair[3] = chroma[2 * p + 1];
                after += static_cast<std::uint32_t>(pair[0] + pair[2]);
            }
        } else {
            for (int p = first; p < end; ++p) {
                std::uint8_t* pair = out + 4 * p;
                pair[0] = levels[luma[2 * p]];
                pair[1] = chroma[2 * p];
                pair[2] = levels[luma[2 * p + 1]];
                pair[3] = chroma[2 * p + 1];
                after += static_cast<std::uint32_t>(pair[0] + pair[2]);
            }
        }
        lumaSum_ = lumaSum_ - before + after;
    }
}

// Rows are read out one after another through the frame time, so under flickering light each
// sees its own phase of the flicker, and the next frame starts at a later phase.
void PicturePipeline::addFlicker(int mainsHz, std::uint32_t frameNumber) {
    const Geometry& g = geometry_;
    const double cyclesPerFrame = 2.0 * mainsHz / (realisticFramesPerSecond(g) * kSensorClockRatio);
    const double firstPhase = std::fmod(static_cast<double>(frameNumber) * cyclesPerFrame, 1.0);
    const auto rowBytes = 2 * static_cast<std::size_t>(g.width);
    for (int y = picture_.top; y < picture_.bottom; ++y) {
        const double phase = firstPhase + cyclesPerFrame * y / g.height;
        // In 1/128: 16-bit products, so the loop runs eight or more pixels a step.
        const auto scale = static_cast<std::uint16_t>(
            std::lround(128 * (1 + kFlickerDepth * std::cos(2 * std::numbers::pi * phase))));
        const std::uint8_t* in = composed_.data() + static_cast<std::size_t>(y) * rowBytes;
        std::uint8_t* out = flickered_.data() + static_cast<std::size_t>(y) * rowBytes;
        for (std::size_t i = 0; i < rowBytes; i += 2) {
            const auto lit = static_cast<std::uint16_t>((in[i] * scale + 64) >> 7);
            out[i] = static_cast<std::uint8_t>(std::min<std::uint16_t>(lit, 255));
            out[i + 1] = in[i + 1];
        }
    }
}

}  // namespace vcam
