// The anchor for the ring's throughput: plain memcpy of whole frames into five buffers.
#pragma once

#include <chrono>
#include <cstddef>

namespace bench {

struct CopyRate {
    double framesPerSecond = 0;
    double megabytesPerSecond = 0;  // 10^6 bytes
};

CopyRate measureFrameCopies(std::size_t frameBytes, std::chrono::duration<double> length);

}  // namespace bench
