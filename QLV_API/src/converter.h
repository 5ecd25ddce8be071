// The converter thread: turns the newest frame of the internal ring into a display bitmap each
// time the reader signals one. The first two frames of a stream are never shown.
#pragma once

#include <mutex>
#include <stop_token>
#include <thread>

namespace qlv {

class Streaming;
class FrameSemaphore;
struct DisplayBitmaps;
struct FrameMemory;

class Converter {
public:
    Converter(Streaming& streaming, FrameSemaphore& semaphore, DisplayBitmaps& bitmaps,
              FrameMemory& memory);
    ~Converter();
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Controlling thread. `stop` waits for the thread; the caller wakes it by releasing the
    // semaphore (without a wake it ends at its next wait's limit).
    void start();
    void stop();
    // Any thread: asks the converter to end at its next wake (the reader does this as it ends,
    // then releases the semaphore to wake it).
    void requestStop();

private:
    void run(std::stop_token stop);

    Streaming& streaming_;
    FrameSemaphore& semaphore_;
    DisplayBitmaps& bitmaps_;
    FrameMemory& memory_;
    // Guards thread_: the reader asks for the stop from its own thread as it ends.
    std::mutex threadMutex_;
    std::jthread thread_;
};

}  // namespace qlv
