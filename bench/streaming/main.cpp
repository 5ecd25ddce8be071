// Streaming through the library on the in-process virtual camera: frames lost on the way, CPU
// spent by the library per second of streaming, and the ring's top throughput beside memcpy.
//
// Usage: streaming_bench [--seconds N]   (or QLV_BENCH_SECONDS=N; default 10 s per paced run,
// 3 s per unpaced run, shorter when N is shorter)
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "memcpy_anchor.h"
#include "report.h"
#include "stream_run.h"

namespace {

constexpr double pacedDefaultSeconds = 10;
constexpr double unpacedDefaultSeconds = 3;

std::optional<double> parsePositive(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !(value > 0)) {
        return std::nullopt;
    }
    return value;
}

// From --seconds N or QLV_BENCH_SECONDS; nullopt for the defaults.
std::optional<double> requestedSeconds(int argc, char** argv, bool& valid) {
    valid = true;
    std::optional<std::string_view> text;
    if (const char* variable = std::getenv("QLV_BENCH_SECONDS")) {
        text = variable;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--seconds" && i + 1 < argc) {
            text = argv[++i];
        } else {
            valid = false;
        }
    }
    if (!text) {
        return std::nullopt;
    }
    const auto seconds = parsePositive(*text);
    valid = valid && seconds.has_value();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    bool valid = true;
    const auto requested = requestedSeconds(argc, argv, valid);
    if (!valid) {
        std::fputs("usage: streaming_bench [--seconds N]  (or QLV_BENCH_SECONDS=N)\n", stderr);
        return 64;
    }
    const double paced = requested.value_or(pacedDefaultSeconds);
    const double unpaced =
        std::min(requested.value_or(unpacedDefaultSeconds), unpacedDefaultSeconds);

    std::puts(
        "Streaming into five registered buffers (buffer mode 1), consumer on its own thread.");
    std::puts("CPU figures cover the measured span, as % of one core. The library's are utime +");
    std::puts("stime from /proc in clock ticks (10 ms), beside its threads' CPU clocks (ns).");

    struct Paced {
        std::uint32_t resolution;
        double framesPerSecond;
    };
    int status = 0;
    for (const Paced run : {Paced{0, 30}, Paced{1, 15}}) {
        const auto figures = bench::runStream(
            {run.resolution, run.framesPerSecond, std::chrono::duration<double>(paced)});
        if (!figures.ok) {
            std::fprintf(stderr, "streaming_bench: %s\n", figures.problem.c_str());
            status = 1;
            continue;
        }
        bench::printPaced(figures, run.framesPerSecond);
    }

    for (const std::uint32_t resolution : {0u, 1u}) {
        const auto figures =
            bench::runStream({resolution, -1, std::chrono::duration<double>(unpaced)});
        if (!figures.ok) {
            std::fprintf(stderr, "streaming_bench: %s\n", figures.problem.c_str());
            status = 1;
            continue;
        }
        const auto anchor = bench::measureFrameCopies(
            figures.frameBytes, std::chrono::duration<double>(std::min(unpaced, 2.0)));
        bench::printUnpaced(figures, anchor);
    }
    return status;
}
