// CCameraController: the viewer's single owner of the camera library.
//
// It starts the library, streams 640-wide frames into five buffers of its own, and runs the
// acquisition thread, which converts the newest frame into a frame picture and hands it to the
// receiver view as a CFrameEvent (1074). All other calls are made on the user-interface thread;
// none of them records or shows an error.
#pragma once

#include <QObject>
#include <QPointer>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

#include "camera/register_block.h"

class CCameraController {
public:
    CCameraController();
    // Stops first when still started.
    virtual ~CCameraController();

    CCameraController(const CCameraController&) = delete;
    CCameraController& operator=(const CCameraController&) = delete;

    // Starts the library (waiting up to 200 ms for a present camera to be connected), registers
    // the five buffers, clears the camera's freeze flag, starts the acquisition thread and
    // streams 640-wide frames. An absent camera is not an error here: the thread then only waits.
    void Start();
    // Joins the acquisition thread, stops streaming, frees the buffers and ends the library.
    // Frame events still queued are discarded, so none outlives the picture it points at.
    void Stop();

    // The object that receives CFrameEvents, normally the main view; events are delivered while
    // it exists.
    void SetReceiverView(QObject* view);

    // The controller between Start and Stop, else null.
    static CCameraController* Current() noexcept;

    // True when the camera reports mode 1, 2 or 3; *mode receives what it reported.
    bool CheckMode(std::int32_t* mode);
    // The library's recording state (7 live, 6 frozen) and result.
    std::int32_t CheckRecording(std::int32_t* state);
    // Restarts streaming in resolution mode 0 (640 wide) or 1 (1280 x 1024).
    std::int32_t StartRecording(std::int32_t resolutionMode);
    std::int32_t ResolutionMode() const noexcept { return resolutionMode_; }
    // Sets (1) or clears (0) the camera's freeze flag.
    std::int32_t Freeze(std::int32_t freeze);

    std::int32_t SetBrightness(std::int32_t value);
    // `factor` as read from the register block; it is encoded for the sensor here.
    std::int32_t SetExposure(std::int32_t exposure, std::int32_t factor);
    std::int32_t SetAE(std::int32_t on);
    std::int32_t SetHue(std::int32_t tenths);
    std::int32_t SetContrast(std::int32_t value);
    std::int32_t SetFlicker(std::int32_t code);

    // The camera's stored defaults for a camera mode at the current resolution mode, read from
    // its register block each time; the built-in block stands in for one that is not valid.
    viewer::CameraDefaults Defaults(std::int32_t cameraMode);
    std::int32_t DefaultBrightness(std::int32_t cameraMode) {
        return Defaults(cameraMode).brightness;
    }
    std::int32_t DefaultHue(std::int32_t cameraMode) { return Defaults(cameraMode).hue; }
    std::int32_t DefaultContrast(std::int32_t cameraMode) { return Defaults(cameraMode).contrast; }
    std::int32_t DefaultExposure(std::int32_t cameraMode) { return Defaults(cameraMode).exposure; }
    std::int32_t DefaultAE(std::int32_t cameraMode) { return Defaults(cameraMode).ae; }
    std::int32_t DefaultFlicker(std::int32_t cameraMode) { return Defaults(cameraMode).flicker; }
    std::int32_t DefaultExposureFactor(std::int32_t cameraMode) {
        return Defaults(cameraMode).exposureFactor;
    }

    // One of the five frame buffers (slot 0..4), empty when not started. The reader thread may be
    // writing into the slot after the newest one.
    std::span<const std::uint8_t> FrameBuffer(int slot) const;

private:
    class FrameMailbox;

    void Acquire(std::stop_token stop);
    bool WaitForFrame(void* semaphore, std::stop_token stop);
    void Pause(std::stop_token stop);

    std::int32_t resolutionMode_ = 0;
    bool started_ = false;
    std::vector<std::vector<std::uint8_t>> buffers_;
    // One per settings index, 2 x (camera mode - 1) + resolution mode.
    std::array<viewer::RegisterBlock, 6> blockCaches_{};

    // Lives on the user-interface thread; the acquisition thread posts to it.
    std::unique_ptr<FrameMailbox> mailbox_;
    std::atomic<bool> hasReceiver_{false};
    // Set while a frame event is on its way: the thread leaves the picture alone until the view
    // has handled it, so the view never reads a picture being rewritten.
    std::atomic<bool> framePending_{false};

    std::mutex pauseMutex_;
    std::condition_variable_any pauseWake_;
    std::jthread acquisition_;
};
