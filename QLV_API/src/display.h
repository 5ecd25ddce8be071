// The display thread: draws the newest display bitmap, scaled to fit and centred, into the
// caller's surface about 30 times a second (15 for 1280-wide frames), or fills it black.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "display_target.h"
#include "stretch.h"

namespace qlv {

struct DisplayBitmaps;

class Display {
public:
    Display(DisplayBitmaps& bitmaps, std::atomic<std::int32_t>& outputState);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Clears the target and starts the thread unless it runs. Controlling thread.
    void start();
    void stop();

    // Waits until no drawing is in progress, then draws into `target` from the next cycle on
    // (null stops drawing). Any thread.
    void setTarget(DisplayTarget target);

    // Bounds the off-screen picture a draw allocates (at most 1 GiB).
    static constexpr int maxAreaSide = 16384;

    // Any thread. False for a size of 0 or less or a side above maxAreaSide.
    bool setArea(int width, int height);
    // The stream's frame size, from which the fit is computed.
    void setFrameSize(int width, int height);
    Rect fit() const;

private:
    void run(std::stop_token stop);
    void drawOnce();

    DisplayBitmaps& bitmaps_;
    std::atomic<std::int32_t>& outputState_;

    // drawMutex_ is held for a whole draw: the target never changes under a drawing.
    std::mutex drawMutex_;
    DisplayTarget target_ = nullptr;        // guarded by drawMutex_
    std::vector<std::uint32_t> offscreen_;  // display thread only
    SmoothStretcher stretcher_;             // display thread only

    // geometryMutex_ guards the area, frame size and fit.
    mutable std::mutex geometryMutex_;
    int areaWidth_ = 1280, areaHeight_ = 1024;
    int frameWidth_ = 0, frameHeight_ = 0;
    Rect fit_;

    std::mutex sleepMutex_;
    std::condition_variable_any sleep_;
    std::jthread thread_;
};

}  // namespace qlv
