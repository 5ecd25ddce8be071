#include "frame_generator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "tags.h"
#include "ycbcr.h"

namespace vcam {
namespace {

constexpr double kStepsPerSecond = 30;
constexpr long kStepsPerCrossing = 90;
constexpr long kStepsPerBob = 45;

// 75 % colour bars, the classic order.
constexpr std::array<std::array<double, 3>, 8> kBars{{
    {191, 191, 191},
    {191, 191, 0},
    {0, 191, 191},
    {0, 191, 0},
    {191, 0, 191},
    {191, 0, 0},
    {0, 0, 191},
    {0, 0, 0},
}};
constexpr std::array<double, 3> kFieldColour{40, 44, 52};
constexpr std::array<double, 3> kBallColour{255, 150, 30};

struct Layout {
    int sceneTop, barsBottom, rampBottom, fieldBottom, ballRadius;
};

Layout layoutFor(Geometry g) {
    const int sceneTop = kTagBandRows;
    const int sceneHeight = g.height - 2 * kTagBandRows;
    const int barsBottom = sceneTop + sceneHeight * 11 / 20;
    const int rampBottom = barsBottom + sceneHeight * 3 / 20;
    const int fieldBottom = g.height - kTagBandRows;
    return {sceneTop, barsBottom, rampBottom, fieldBottom, (fieldBottom - rampBottom) * 3 / 8};
}

void putPair(std::uint8_t* at, YCbCr left, YCbCr right) {
    at[0] = left.y;
    at[1] = static_cast<std::uint8_t>((left.cb + right.cb + 1) / 2);
    at[2] = right.y;
    at[3] = static_cast<std::uint8_t>((left.cr + right.cr + 1) / 2);
}

YCbCr colour(const std::array<double, 3>& rgb, double shade = 1.0) {
    return toYCbCr(rgb[0] * shade, rgb[1] * shade, rgb[2] * shade);
}

}  // namespace

std::span<std::uint8_t> FrameGenerator::render(Geometry geometry, const SceneParams& params) {
    const auto step = static_cast<long>(std::floor(params.seconds * kStepsPerSecond));
    Box changed;
    if (geometry != geometry_) {
        geometry_ = geometry;
        drawBackground();
        scene_ = background_;
        ball_ = {};
        step_ = -1;
        changed = {0, 0, geometry.width, geometry.height};
    }
    if (step != step_) {
        restore(ball_);
        const Box old = ball_;
        ball_ = drawBall(step);
        step_ = step;
        changed = unite(changed, unite(old, ball_));
    }
    return pipeline_.process(scene_, geometry_, changed, params.picture, params.frameNumber);
}

void FrameGenerator::drawBackground() {
    const int width = geometry_.width;
    const auto rowBytes = static_cast<std::size_t>(width) * 2;
    background_.assign(geometry_.frameBytes(), 0);
    const Layout layout = layoutFor(geometry_);
    const YCbCr black = colour({0, 0, 0});
    const YCbCr field = colour(kFieldColour);
    for (int y = 0; y < geometry_.height; ++y) {
        std::uint8_t* row = background_.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int x = 0; x < width; x += 2) {
            YCbCr left = black;
            YCbCr right = black;
            if (y >= layout.sceneTop && y < layout.barsBottom) {
                left = right = colour(kBars[static_cast<std::size_t>(x * 8 / width)]);
            } else if (y >= layout.barsBottom && y < layout.rampBottom) {
                const double scale = 255.0 / (width - 1);
                left = toYCbCr(x * scale, x * scale, x * scale);
                right = toYCbCr((x + 1) * scale, (x + 1) * scale, (x + 1) * scale);
            } else if (y >= layout.rampBottom && y < layout.fieldBottom) {
                left = right = field;
            }
            putPair(row + static_cast<std::size_t>(x) * 2, left, right);
        }
    }
}

void FrameGenerator::restore(const Box& box) {
    const auto rowBytes = static_cast<std::size_t>(geometry_.width) * 2;
    for (int y = box.top; y < box.bottom; ++y) {
        const std::size_t begin =
            static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(box.left) * 2;
        const std::size_t end =
            static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(box.right) * 2;
        std::copy(background_.begin() + static_cast<std::ptrdiff_t>(begin),
                  background_.begin() + static_cast<std::ptrdiff_t>(end),
                  scene_.begin() + static_cast<std::ptrdiff_t>(begin));
    }
}

// The ball crosses the field and back, bobbing a little, lit from the upper left.
Box FrameGenerator::drawBall(long step) {
    const Layout layout = layoutFor(geometry_);
    const int radius = layout.ballRadius;
    if (radius < 2) {
        return {};
    }
    const long travel = std::max(1, geometry_.width - 2 * radius - 2);
    const long along = (step % (2 * kStepsPerCrossing)) * travel / kStepsPerCrossing;
    const double centreX =
        radius + 1 + static_cast<double>(along <= travel ? along : 2 * travel - along);
    const int fieldMiddle = (layout.rampBottom + layout.fieldBottom) / 2;
    const int bob = std::max(0, (layout.fieldBottom - layout.rampBottom) / 2 - radius - 1);
    const double centreY = fieldMiddle + bob * std::sin(static_cast<double>(step % kStepsPerBob) *
                                                        2 * std::numbers::pi / kStepsPerBob);

    Box box;
    box.left = std::max(0, static_cast<int>(centreX) - radius - 1) & ~1;
    box.right = std::min(geometry_.width, (static_cast<int>(centreX) + radius + 3) & ~1);
    box.top = std::max(layout.rampBottom, static_cast<int>(centreY) - radius - 1);
    box.bottom = std::min(layout.fieldBottom, static_cast<int>(centreY) + radius + 2);

    // A shaded colour is the full colour times the shade in every component, so the ball's
    // pixels need no conversion of their own.
    const double fullY = 0.299 * kBallColour[0] + 0.587 * kBallColour[1] + 0.114 * kBallColour[2];
    const double fullCb = (kBallColour[2] - fullY) / 1.771;
    const double fullCr = (kBallColour[0] - fullY) / 1.402;
    const double highlightX = centreX - radius / 3.0;
    const double highlightY = centreY - radius / 3.0;
    const auto rowBytes = static_cast<std::size_t>(geometry_.width) * 2;
    const double radiusSquared = static_cast<double>(radius) * radius;
    const double lightPerPixel = 1.0 / (1.6 * radius);
    for (int y = box.top; y < box.bottom; ++y) {
        std::uint8_t* row = scene_.data() + static_cast<std::size_t>(y) * rowBytes;
        const double dy = y + 0.5 - centreY;
        for (int x = box.left; x < box.right; x += 2) {
            std::uint8_t* pair = row + static_cast<std::size_t>(x) * 2;
            YCbCr pixels[2] = {{pair[0], pair[1], pair[3]}, {pair[2], pair[1], pair[3]}};
            bool touched = false;
            for (int i = 0; i < 2; ++i) {
                const double dx = x + i + 0.5 - centreX;
                if (dx * dx + dy * dy > radiusSquared) {
                    continue;
                }
                const double hx = x + i + 0.5 - highlightX;
                const double hy = y + 0.5 - highlightY;
                const double light = std::sqrt(hx * hx + hy * hy) * lightPerPixel;
                const double shade = std::clamp(1.1 - 0.75 * light, 0.3, 1.0);
                pixels[i] = {toByte(shade * fullY), toByte(128.0 + shade * fullCb),
                             toByte(128.0 + shade * fullCr)};
                touched = true;
            }
            if (touched) {
                putPair(pair, pixels[0], pixels[1]);
            }
        }
    }
    return box;
}

}  // namespace vcam
