// The library-wide state: one instance between QLV_Init and QLV_Term.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "bus.h"
#include "converter.h"
#include "display.h"
#include "display_bitmaps.h"
#include "frame_memory.h"
#include "frame_semaphore.h"
#include "monitor.h"
#include "streaming.h"

namespace qlv {

// Output state of the display path: frames are drawn, or the target is filled black.
inline constexpr std::int32_t outputDraw = 0;
inline constexpr std::int32_t outputBlank = 11;

class Library {
public:
    // Null when the frame memory or the semaphore cannot be had.
    static std::unique_ptr<Library> create(std::unique_ptr<UsbTransport> transport);
    Library(FrameMemory memory, std::unique_ptr<UsbTransport> transport);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Restarts streaming at `resolution` (0 or 1): stops what runs, asks the camera for the
    // resolution (clearing its freeze flag), starts the reader and, for the internal ring, the
    // converter. Controlling thread.
    void startRecording(std::uint32_t resolution);
    // Stops the converter, then the reader. Controlling thread.
    void stopRecording();

    // Stops every thread of the library; the camera is disconnected when it returns.
    void shutdown();

    // Members are declared in the order the threads need them; each thread's owner comes after
    // what its thread uses, so destruction stops the thread first.
    FrameMemory memory;
    FrameSemaphore semaphore;
    Bus bus;
    std::atomic<std::int32_t> outputState{outputBlank};
    DisplayBitmaps bitmaps{memory};
    Converter converter{streaming, semaphore, bitmaps, memory};
    Streaming streaming;
    Display display{bitmaps, outputState};
    Monitor monitor;
};

// The started library, or null. Each export holds it for the length of its call, so a QLV_Term
// on another thread stops the library's threads but frees it only when the last caller leaves.
std::shared_ptr<Library> library();

// Starts and ends the library; false when already started / not started.
bool startLibrary();
bool endLibrary();

// Stores `result` as the last error and returns it.
std::int32_t record(std::int32_t result);
std::int32_t lastError();

inline constexpr std::int32_t ok = 0;
inline constexpr std::int32_t failed = 1;

}  // namespace qlv
