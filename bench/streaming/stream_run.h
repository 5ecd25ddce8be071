// One stream through the library into five registered buffers, with a consumer thread that
// follows the consumer rule, measured from the outside.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "thread_cpu.h"

namespace bench {

struct StreamSetup {
    std::uint32_t resolution = 0;  // 0 = 640 x 480, 1 = 1280 x 1024
    double framesPerSecond = 0;    // the camera's pace; < 0 = as fast as it can
    std::chrono::duration<double> length{10};
};

struct StreamFigures {
    bool ok = false;
    std::string problem;  // why the run failed when not ok

    int width = 0;
    int height = 0;
    std::size_t frameBytes = 0;
    double seconds = 0;  // the measured span: CPU and throughput figures cover it

    // Over the whole stream, from QLV_RecordStart until the camera was unplugged to end it.
    std::uint64_t framesSent = 0;       // produced by the camera while the host streamed
    std::uint64_t framesDelivered = 0;  // completed a bulk read
    std::uint64_t framesInRing = 0;     // completed-frame count of the library
    std::uint64_t framesSeen = 0;       // taken by the consumer
    std::uint64_t framesDropped = 0;    // sequence gaps between frames the consumer took
    std::uint64_t framesTorn = 0;

    std::uint64_t framesInRingWhileSampled = 0;  // over the measured span

    std::map<std::string, CpuUse> libraryCpuByThread;  // threads named "qlv-..."
    CpuUse libraryCpu;
    double cameraCpuMs = 0;
    double consumerCpuMs = 0;
};

StreamFigures runStream(const StreamSetup& setup);

}  // namespace bench
