#include "converter.h"

#include <cstring>

#include "convert/yuyv_to_bgr.h"
#include "display_bitmaps.h"
#include "frame_memory.h"
#include "frame_semaphore.h"
#include "streaming.h"
#include "thread_name.h"

namespace qlv {
namespace {

constexpr int signalWaitMs = 1000;
// Frames that wake the converter before the first one it shows.
constexpr int framesNeverShown = 2;
constexpr std::int32_t noFrameYet = 9999;

// The newest slot of the internal ring, taken while the reader fills the slots after it: a slot
// is written again only when the ring comes round to it, by which time the copy is long done.
void copyNewestFrame(std::uint8_t* to, const std::uint8_t* slot, std::size_t frameBytes) {
    std::memcpy(to, slot, frameBytes);
}

}  // namespace

Converter::Converter(Streaming& streaming, FrameSemaphore& semaphore, DisplayBitmaps& bitmaps,
                     FrameMemory& memory)
    : streaming_(streaming), semaphore_(semaphore), bitmaps_(bitmaps), memory_(memory) {}

Converter::~Converter() {
    stop();
}

void Converter::start() {
    stop();
    bitmaps_.counter = 0;
    bitmaps_.frameReady = false;
    std::lock_guard lock(threadMutex_);
    thread_ = std::jthread([this](std::stop_token stop) { run(std::move(stop)); });
}

void Converter::requestStop() {
    std::lock_guard lock(threadMutex_);
    thread_.request_stop();
}

void Converter::stop() {
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

void Converter::run(std::stop_token stop) {
    nameThisThread("qlv-converter");
    int signals = 0;
    std::int32_t lastConverted = noFrameYet;
    while (!stop.stop_requested()) {
        if (!semaphore_.wait(signalWaitMs)) {
            continue;
        }
        ++signals;
        if (stop.stop_requested()) {
            break;
        }
        while (semaphore_.wait(0)) {
            ++signals;
        }
        if (signals <= framesNeverShown && bitmaps_.counter == 0) {
            continue;
        }
        const int width = bitmaps_.width;
        const int height = bitmaps_.height;
        const std::size_t frameBytes =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
        const std::int32_t k = streaming_.completedFrames();
        std::lock_guard raw(bitmaps_.rawLock);
        if (streaming_.newData() && k != lastConverted && k >= 1) {
            lastConverted = k;
            copyNewestFrame(memory_.rawFrame.data(), streaming_.internalSlot((k - 1) & 15),
                            frameBytes);
            streaming_.markConsumed();
        }
        {
            const auto target = bitmaps_.next();
            convert::convertFrame(
                {memory_.rawFrame.data(), frameBytes}, width, height,
                {target.bitmap + bitmapHeaderSize, displayBitmapSize - bitmapHeaderSize},
                convert::bitmapStride(width));
        }
        bitmaps_.counter.fetch_add(1, std::memory_order_release);
        bitmaps_.frameReady = true;
    }
}

}  // namespace qlv
