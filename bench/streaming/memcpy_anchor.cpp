#include "memcpy_anchor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

CopyRate measureFrameCopies(std::size_t frameBytes, std::chrono::duration<double> length) {
    using Clock = std::chrono::steady_clock;
    // Like the ring: one source (the camera's frame) and five destinations taken in turn, so the
    // copies do not all stay in cache.
    std::vector<std::uint8_t> source(frameBytes, 0x80);
    std::vector<std::vector<std::uint8_t>> ring(5, std::vector<std::uint8_t>(frameBytes));

    std::uint64_t copies = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(length);
    auto now = start;
    while (now < end) {
        auto& target = ring[copies % ring.size()];
        std::memcpy(target.data(), source.data(), frameBytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        ++copies;
        now = Clock::now();
    }
    const double seconds = std::chrono::duration<double>(now - start).count();
    const double rate = static_cast<double>(copies) / seconds;
    return {rate, rate * static_cast<double>(frameBytes) / 1e6};
}

}  // namespace bench
