#include "display.h"

#include <QLV_API.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>

#include "convert/yuyv_to_bgr.h"
#include "display_bitmaps.h"
#include "display_target.h"
#include "fit.h"
#include "library.h"
#include "thread_name.h"

namespace qlv {
namespace {

constexpr std::uint32_t black = 0xFF000000u;
constexpr std::chrono::milliseconds narrowFramePeriod{33};
constexpr std::chrono::milliseconds wideFramePeriod{66};

}  // namespace

Display::Display(DisplayBitmaps& bitmaps, std::atomic<std::int32_t>& outputState)
    : bitmaps_(bitmaps), outputState_(outputState) {}

Display::~Display() {
    stop();
}

void Display::start() {
    setTarget(nullptr);
    if (!thread_.joinable()) {
        thread_ = std::jthread([this](std::stop_token stop) { run(std::move(stop)); });
    }
}

void Display::stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
    thread_ = {};
}

void Display::setTarget(DisplayTarget target) {
    std::lock_guard lock(drawMutex_);
    target_ = target;
}

bool Display::setArea(int width, int height) {
    if (width <= 0 || height <= 0 || width > maxAreaSide || height > maxAreaSide) {
        return false;
    }
    std::lock_guard lock(geometryMutex_);
    areaWidth_ = width;
    areaHeight_ = height;
    fit_ = fitFrame(frameWidth_, frameHeight_, areaWidth_, areaHeight_, fit_);
    return true;
}

void Display::setFrameSize(int width, int height) {
    std::lock_guard lock(geometryMutex_);
    frameWidth_ = width;
    frameHeight_ = height;
    fit_ = fitFrame(frameWidth_, frameHeight_, areaWidth_, areaHeight_, fit_);
}

Rect Display::fit() const {
    std::lock_guard lock(geometryMutex_);
    return fit_;
}

void Display::drawOnce() {
    std::lock_guard lock(drawMutex_);
    if (target_ == nullptr) {
        return;
    }
    int areaWidth = 0, areaHeight = 0;
    Rect fit;
    {
        std::lock_guard geometry(geometryMutex_);
        areaWidth = areaWidth_;
        areaHeight = areaHeight_;
        fit = fit_;
    }
    const bool blank = outputState_ == outputBlank;
    if (!blank && !bitmaps_.frameReady) {
        return;
    }
    // Drawn off-screen first, so the target never shows a half-drawn picture.
    const auto areaPixels =
        static_cast<std::size_t>(areaWidth) * static_cast<std::size_t>(areaHeight);
    offscreen_.assign(areaPixels, black);
    const XrgbSurface offscreen{offscreen_.data(), areaWidth, areaHeight,
                                static_cast<std::size_t>(areaWidth) * 4};
    if (blank) {
        present(target_, offscreen);
        return;
    }
    const int width = bitmaps_.width;
    const int height = bitmaps_.height;
    {
        const auto newest = bitmaps_.newest();
        const BgrImage picture{newest.bitmap + bitmapHeaderSize, width, height,
                               convert::bitmapStride(width)};
        stretcher_.draw(picture, offscreen, fit);
    }
    present(target_, offscreen);
}

void Display::run(std::stop_token stop) {
    nameThisThread("qlv-display");
    using Clock = std::chrono::steady_clock;
    auto previous = Clock::now();
    while (!stop.stop_requested()) {
        // An exception must not end the process from this thread: an area too large to allocate
        // now skips the draw, and the next cycle tries again.
        try {
            drawOnce();
        } catch (const std::exception&) {
        }
        // The stamp is taken before the sleep, so a cycle that slept its full remainder is
        // followed by one that does not sleep.
        const auto now = Clock::now();
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - previous);
        previous = now;
        const auto period = bitmaps_.width >= 1280 ? wideFramePeriod : narrowFramePeriod;
        if (elapsed < period) {
            std::unique_lock lock(sleepMutex_);
            sleep_.wait_for(lock, stop, period - elapsed, [] { return false; });
        }
    }
}

}  // namespace qlv
