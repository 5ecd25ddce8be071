#include "report.h"

#include <cstdio>

namespace bench {
namespace {

double percentOfACore(double cpuMs, double seconds) {
    return cpuMs / (seconds * 1000.0) * 100.0;
}

unsigned long long count(std::uint64_t value) {
    return static_cast<unsigned long long>(value);
}

long long difference(std::uint64_t from, std::uint64_t to) {
    return static_cast<long long>(from) - static_cast<long long>(to);
}

}  // namespace

void printPaced(const StreamFigures& f, double framesPerSecond) {
    std::printf("\n== %d x %d at %.0f frames/s, %.1f s measured ==\n", f.width, f.height,
                framesPerSecond, f.seconds);
    std::printf("  frames sent by the camera      %8llu\n", count(f.framesSent));
    std::printf("  frames delivered to the ring   %8llu   (bulk reads completed: %llu)\n",
                count(f.framesInRing), count(f.framesDelivered));
    std::printf("  frames seen by the consumer    %8llu   (sequence gaps %llu, torn %llu)\n",
                count(f.framesSeen), count(f.framesDropped), count(f.framesTorn));
    std::printf("  lost: camera -> ring %lld, ring -> consumer %lld        target: 0 lost\n",
                difference(f.framesSent, f.framesInRing), difference(f.framesInRing, f.framesSeen));
    std::printf(
        "  library CPU (qlv- threads) %7.1f ms = %5.2f %% of a core   target: < 2 %% of a core\n",
        f.libraryCpu.milliseconds, percentOfACore(f.libraryCpu.milliseconds, f.seconds));
    std::printf("    by the threads' CPU clocks %5.2f ms = %5.3f %% of a core\n",
                f.libraryCpu.clockMilliseconds,
                percentOfACore(f.libraryCpu.clockMilliseconds, f.seconds));
    for (const auto& [name, use] : f.libraryCpuByThread) {
        std::printf("      %-14s %7.1f ms (clock %.2f ms)\n", name.c_str(), use.milliseconds,
                    use.clockMilliseconds);
    }
    std::printf(
        "  camera CPU (its own threads) %5.1f ms = %5.2f %% of a core   (not the library's)\n",
        f.cameraCpuMs, percentOfACore(f.cameraCpuMs, f.seconds));
    std::printf(
        "  consumer CPU                 %5.1f ms = %5.2f %% of a core   (not the library's)\n",
        f.consumerCpuMs, percentOfACore(f.consumerCpuMs, f.seconds));
}

void printUnpaced(const StreamFigures& f, const CopyRate& anchor) {
    const double framesPerSecond = static_cast<double>(f.framesInRingWhileSampled) / f.seconds;
    const double megabytes = framesPerSecond * static_cast<double>(f.frameBytes) / 1e6;
    std::printf("\n== %d x %d as fast as possible, %.1f s measured (frame %zu bytes) ==\n", f.width,
                f.height, f.seconds, f.frameBytes);
    std::printf("  ring throughput   %8.0f MB/s  %8.0f frames/s\n", megabytes, framesPerSecond);
    std::printf(
        "  anchor: memcpy    %8.0f MB/s  %8.0f frames/s   (same frame size, five buffers)\n",
        anchor.megabytesPerSecond, anchor.framesPerSecond);
    std::printf(
        "  whole stream: %llu frames sent, %llu into the ring, %llu seen by the consumer "
        "(newest only), %llu torn\n",
        count(f.framesSent), count(f.framesInRing), count(f.framesSeen), count(f.framesTorn));
    std::printf(
        "  library CPU %.1f ms = %.1f %% of a core (clocks %.1f ms); camera CPU %.1f ms = "
        "%.1f %% of a core\n",
        f.libraryCpu.milliseconds, percentOfACore(f.libraryCpu.milliseconds, f.seconds),
        f.libraryCpu.clockMilliseconds, f.cameraCpuMs, percentOfACore(f.cameraCpuMs, f.seconds));
}

}  // namespace bench
