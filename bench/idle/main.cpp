// The library at rest: CPU time of the whole process across idle seconds with the camera
// connected and nothing streaming, beside the same measure for a process that only sleeps.
// A library that polls or spins shows up here.
//
// Usage: idle_bench [--seconds N]   (or QLV_BENCH_SECONDS=N; default 3)
#include <QLV_API.h>

#include <sys/resource.h>
#include "camera_wait.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double defaultSeconds = 3;

struct Usage {
    double cpuMs = 0;
    long contextSwitches = 0;  // voluntary + involuntary: each is a wake-up of some thread
};

Usage processUsage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return {ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_nvcsw + usage.ru_nivcsw};
}

struct Span {
    double seconds = 0;
    Usage used;
};

// What the process costs while the calling thread sleeps for `seconds`.
Span measureIdle(double seconds) {
    const Usage before = processUsage();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const auto end = Clock::now();
    const Usage after = processUsage();
    return {std::chrono::duration<double>(end - start).count(),
            {after.cpuMs - before.cpuMs, after.contextSwitches - before.contextSwitches}};
}

void print(const char* what, const Span& span) {
    std::printf("  %-44s %7.2f ms = %6.3f %% of a core, %6.1f wake-ups/s\n", what, span.used.cpuMs,
                span.used.cpuMs / (span.seconds * 1000.0) * 100.0,
                static_cast<double>(span.used.contextSwitches) / span.seconds);
}

std::optional<double> requestedSeconds(int argc, char** argv) {
    std::string_view text;
    if (const char* variable = std::getenv("QLV_BENCH_SECONDS")) {
        text = variable;
    }
    if (argc == 3 && std::string_view(argv[1]) == "--seconds") {
        text = argv[2];
    } else if (argc != 1) {
        return std::nullopt;
    }
    if (text.empty()) {
        return defaultSeconds;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !(value > 0)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    const auto seconds = requestedSeconds(argc, argv);
    if (!seconds) {
        std::fputs("usage: idle_bench [--seconds N]  (or QLV_BENCH_SECONDS=N)\n", stderr);
        return 64;
    }
    // The shipped library on its built-in virtual camera.
    setenv("QLV_CAMERA", "virtual", 1);

    std::printf("Process CPU (getrusage: user + system) across %.1f idle seconds\n", *seconds);

    // Measured first, before the library has started any thread.
    const Span anchor = measureIdle(*seconds);

    if (QLV_Init() != 0) {
        std::fputs("idle_bench: QLV_Init failed\n", stderr);
        return 1;
    }
    if (!bench::waitForCamera()) {
        std::fputs("idle_bench: the virtual camera did not connect\n", stderr);
        QLV_Term();
        return 1;
    }
    const Span library = measureIdle(*seconds);
    QLV_Term();

    print("library started, camera connected, idle", library);
    print("anchor: the same process only sleeping", anchor);
    std::puts("  (the library looks for the camera every 50 ms: about 20 wake-ups a second)");
    return 0;
}
