#include "camera/camera_controller.h"

#include <QCoreApplication>

#include <pthread.h>
#include <semaphore.h>

#include <chrono>
#include <ctime>

#include <QLV_API.h>

#include "frame_wait.h"

#include "camera/frame_event.h"
#include "camera/newest_slot.h"
#include "camera/viewer_conversion.h"
#include "capture/frame_picture.h"

using namespace std::chrono_literals;

namespace {

// Large enough for a 1280 x 1024 frame, whichever resolution is streamed.
constexpr std::size_t kFrameBufferBytes = 2621952;
constexpr auto kFrameWait = 50ms;
constexpr auto kPassPause = 50ms;
constexpr auto kConnectWait = 200ms;

std::atomic<CCameraController*> current{nullptr};

bool cameraConnected() {
    std::int32_t port = 0;
    return QLV_InputPort(&port) == 0 && port == 8;
}

}  // namespace

// Receives the acquisition thread's events on the user-interface thread and hands each to the
// receiver view while that still exists.
class CCameraController::FrameMailbox : public QObject {
public:
    explicit FrameMailbox(std::atomic<bool>& pending) : pending_(pending) {}

    QPointer<QObject> receiver;

protected:
    bool event(QEvent* e) override {
        if (e->type() != CFrameEvent::kType) {
            return QObject::event(e);
        }
        if (receiver) {
            QCoreApplication::sendEvent(receiver, e);
        }
        pending_.store(false, std::memory_order_release);
        return true;
    }

private:
    std::atomic<bool>& pending_;
};

CCameraController::CCameraController() : mailbox_(std::make_unique<FrameMailbox>(framePending_)) {}

CCameraController::~CCameraController() {
    Stop();
}

CCameraController* CCameraController::Current() noexcept {
    return current.load(std::memory_order_acquire);
}

void CCameraController::SetReceiverView(QObject* view) {
    mailbox_->receiver = view;
    hasReceiver_.store(view != nullptr, std::memory_order_release);
}

void CCameraController::Start() {
    if (started_) {
        return;
    }
    started_ = true;
    current.store(this, std::memory_order_release);

    QLV_Init();
    // The library's monitor connects a present camera within its first 50 ms cycle.
    const auto deadline = std::chrono::steady_clock::now() + kConnectWait;
    while (!cameraConnected() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    QLV_DispMode(1);

    buffers_.assign(viewer::kFrameBuffers, std::vector<std::uint8_t>(kFrameBufferBytes));
    std::vector<void*> pointers;
    for (auto& buffer : buffers_) {
        pointers.push_back(buffer.data());
    }
    QLV_RegisterBuffer(viewer::kFrameBuffers, pointers.data());
    Freeze(0);

    acquisition_ = std::jthread([this](std::stop_token stop) { Acquire(stop); });
    StartRecording(0);
}

void CCameraController::Stop() {
    if (!started_) {
        return;
    }
    started_ = false;
    // Unpublish first so that no event is posted while the thread winds down; then drop those
    // already queued, which point into the thread's picture.
    current.store(nullptr, std::memory_order_release);
    if (acquisition_.joinable()) {
        acquisition_.request_stop();
        pauseWake_.notify_all();
        acquisition_.join();
    }
    QCoreApplication::removePostedEvents(mailbox_.get(), CFrameEvent::kType);
    framePending_.store(false);

    // The buffers are freed only once the library has stopped writing into them.
    QLV_RecordStop();
    QLV_UnregisterBuffer();
    buffers_.clear();
    QLV_Term();
}

std::span<const std::uint8_t> CCameraController::FrameBuffer(int slot) const {
    if (slot < 0 || static_cast<std::size_t>(slot) >= buffers_.size()) {
        return {};
    }
    return buffers_[static_cast<std::size_t>(slot)];
}

bool CCameraController::CheckMode(std::int32_t* mode) {
    QLV_CheckMode(mode);
    return *mode >= 1 && *mode <= 3;
}

std::int32_t CCameraController::CheckRecording(std::int32_t* state) {
    return QLV_CheckRecording(state);
}

std::int32_t CCameraController::StartRecording(std::int32_t resolutionMode) {
    resolutionMode_ = resolutionMode;
    return QLV_RecordStart(static_cast<std::uint32_t>(resolutionMode));
}

std::int32_t CCameraController::Freeze(std::int32_t freeze) {
    return QLV_DispWinBitmap(nullptr, freeze);
}

std::int32_t CCameraController::SetBrightness(std::int32_t value) {
    return QLV_SetAE(2, 0, value, 0, 0);
}

std::int32_t CCameraController::SetExposure(std::int32_t exposure, std::int32_t factor) {
    return QLV_SetAE(4, 0, 0, exposure, viewer::encodeExposureFactor(factor));
}

std::int32_t CCameraController::SetAE(std::int32_t on) {
    return QLV_SetAE(1, on, 0, 0, 0);
}

std::int32_t CCameraController::SetHue(std::int32_t tenths) {
    return QLV_SetHue(tenths);
}

std::int32_t CCameraController::SetContrast(std::int32_t value) {
    return QLV_SetContrast(value);
}

std::int32_t CCameraController::SetFlicker(std::int32_t code) {
    return QLV_SetFlicker(code);
}

viewer::CameraDefaults CCameraController::Defaults(std::int32_t cameraMode) {
    // A failed read leaves stale or zero bytes behind; the validity test then falls back. Each
    // settings index has a block of its own, so those bytes are never another mode's, which the
    // caller would store into this mode's settings for good.
    constexpr int kChunk = 32;
    const int index = 2 * (cameraMode - 1) + resolutionMode_;
    viewer::RegisterBlock scratch{};
    viewer::RegisterBlock& block =
        index >= 0 && index < int(blockCaches_.size()) ? blockCaches_[std::size_t(index)] : scratch;
    const std::int32_t address = viewer::registerBlockAddress(cameraMode, resolutionMode_);
    for (int at = 0; at < viewer::kRegisterBlockBytes; at += kChunk) {
        QLV_EEPROMRead(address + at, kChunk, block.data() + at);
    }
    if (!viewer::isValidRegisterBlock(block)) {
        block = viewer::builtInRegisterBlock(resolutionMode_);
    }
    return viewer::defaultsOf(block);
}

// Acquisition thread.
void CCameraController::Acquire(std::stop_token stop) {
    // Named for debuggers, top and the benchmarks' CPU accounting.
    pthread_setname_np(pthread_self(), "qlv-acquire");
    std::vector<std::uint8_t> picture(viewer::kFramePictureBytes);
    viewer::BitmapInfoHeader header;
    header.width = 640;
    header.height = 480;
    viewer::writeHeader(picture, header);

    QLV_HANDLE semaphore = nullptr;
    QLV_GetDataSemaphoHandle(&semaphore);

    while (!stop.stop_requested()) {
        if (!WaitForFrame(semaphore, stop)) {
            std::this_thread::yield();
            continue;
        }
        if (framePending_.load(std::memory_order_acquire)) {
            // The view has not handled the last picture yet: leave it alone.
            Pause(stop);
            continue;
        }
        std::uint8_t status[5]{};
        QLV_GetDevStatus(status);
        header.width = status[1] != 0 ? 1280 : 640;
        header.height = status[1] != 0 ? 1024 : 480;

        const std::int32_t completed = QLV_GetBufferIndex();
        if (completed < 0) {
            continue;
        }
        const auto& buffer = buffers_[static_cast<std::size_t>(viewer::newestSlot(completed))];
        viewer::writeHeader(picture, header);
        viewer::convertFrameForViewer(buffer, header.width, header.height,
                                      viewer::pixelsOf(std::span(picture)));

        if (current.load(std::memory_order_acquire) == this &&
            hasReceiver_.load(std::memory_order_acquire)) {
            const auto size = static_cast<std::size_t>(header.width) *
                                  static_cast<std::size_t>(header.height) * 3 +
                              viewer::kFrameHeaderBytes;
            framePending_.store(true, std::memory_order_relaxed);
            QCoreApplication::postEvent(mailbox_.get(), new CFrameEvent(picture.data(), size));
        }
        Pause(stop);
    }
}

bool CCameraController::WaitForFrame(void* semaphore, std::stop_token stop) {
    if (semaphore == nullptr) {
        Pause(stop);
        return false;
    }
    return qlv::waitForFrame(static_cast<sem_t*>(semaphore), kFrameWait);
}

void CCameraController::Pause(std::stop_token stop) {
    std::unique_lock lock(pauseMutex_);
    pauseWake_.wait_for(lock, stop, kPassPause, [] { return false; });
}
