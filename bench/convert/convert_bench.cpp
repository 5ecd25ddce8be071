// Time per frame of the YCbCr 4:2:2 to bottom-up BGR conversion, for every path this CPU runs
// with regular and with streaming (non-temporal, "nt") stores, and for convertFrame itself, which
// picks a path, and stores by formula and destination size, with the library's formula ("convert")
// and with the viewer's decimal one into unpadded rows ("viewer"), beside anchors measured in the
// same run on the same frames:
//   libyuv       YUY2ToARGB with a negative height (to flip), then ARGBToRGB24, whole frames;
//   libyuv_rows  the same two calls one row at a time through a one-row buffer;
//   memcpy       one copy of as many bytes as a conversion reads and writes together.
// libyuv converts with other coefficients, so it is a speed reference only.
// "viewerLoop" follows the viewer's own pattern with the active path: a ring of five raw frames,
// each rewritten (untimed) before it is converted, as the capture thread hands over fresh ones,
// all converted into the one bitmap the viewer keeps; "_copy" also times the copy the display
// then takes of that bitmap.
// "warm" converts the same frame again and again (it stays in cache); "cold" rotates over at
// least 64 MiB of frames and bitmaps, so every frame comes from memory. Bitmaps sit where the
// library's do: 40 bytes of header after the start of a large calloc block, which glibc places
// 16 bytes past a page boundary, so the pixels start 56 bytes past a 64-byte boundary.
// Run with e.g. --benchmark_repetitions=9 --benchmark_report_aggregates_only=true: machines are
// noisy, and the closing summary takes the median CPU time when repetitions are given.
#include <benchmark/benchmark.h>

#include <libyuv.h>
#include <unistd.h>
#include "median_reporter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "convert/yuyv_to_bgr.h"

namespace {

using qlv::convert::Formula;
using qlv::convert::Path;
using qlv::convert::Stores;
using Bytes = std::vector<std::uint8_t>;

constexpr Path kAllPaths[] = {Path::Scalar, Path::Ssse3, Path::Avx2, Path::Avx512};
constexpr Path kVectorPaths[] = {Path::Ssse3, Path::Avx2, Path::Avx512};
constexpr std::size_t kColdBytes = std::size_t{64} << 20;
constexpr std::size_t kDstOffset = 56;  // from a 64-byte boundary

// "avx512" or "avx512_nt": a benchmark name's last part.
std::string variantName(Path path, Stores stores) {
    std::string name = qlv::convert::pathName(path);
    if (stores == Stores::Streaming) {
        name += "_nt";
    }
    return name;
}

// A bitmap's pixels, kDstOffset bytes past a 64-byte boundary.
class Bitmap {
public:
    explicit Bitmap(std::size_t size) : storage_(size + 64 + kDstOffset) {
        const auto at = reinterpret_cast<std::uintptr_t>(storage_.data());
        const std::size_t skip = (64 - at % 64) % 64 + kDstOffset;
        pixels_ = {storage_.data() + skip, size};
    }
    std::span<std::uint8_t> pixels() const { return pixels_; }

private:
    Bytes storage_;
    std::span<std::uint8_t> pixels_;
};

struct Size {
    int width, height;
    std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
    std::size_t srcBytes() const { return 2 * pixels(); }
    std::size_t stride() const { return qlv::convert::bitmapStride(width); }
    std::size_t viewerStride() const { return 3 * static_cast<std::size_t>(width); }
    std::size_t dstBytes() const { return stride() * static_cast<std::size_t>(height); }
    std::size_t pixels() const {
        return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
};

constexpr Size kSizes[] = {{640, 480}, {1280, 1024}};

// "/640x480/warm" and the like, the end of every benchmark name.
std::string nameSuffix(const Size& size, const char* temperature) {
    std::string suffix = "/";
    suffix += size.name();
    suffix += "/";
    suffix += temperature;
    return suffix;
}

Bytes randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(rng());
    }
    return out;
}

// Frames and bitmaps converted in turn: one pair when warm, enough pairs to exceed the caches
// when cold. Built on first use, so that a filtered run allocates only what it needs.
class FrameRing {
public:
    FrameRing(Size size, bool cold) : size_(size) {
        const std::size_t perFrame = size.srcBytes() + size.dstBytes();
        const std::size_t count = cold ? kColdBytes / perFrame + 1 : 1;
        for (std::size_t i = 0; i < count; ++i) {
            src_.push_back(randomBytes(size.srcBytes(), static_cast<std::uint32_t>(i)));
            dst_.push_back(std::make_unique<Bitmap>(size.dstBytes()));
        }
    }

    std::size_t count() const { return src_.size(); }
    std::span<const std::uint8_t> src(std::size_t i) const { return src_[i]; }
    std::span<std::uint8_t> dst(std::size_t i) { return dst_[i]->pixels(); }

private:
    Size size_;
    std::vector<Bytes> src_;
    std::vector<std::unique_ptr<Bitmap>> dst_;
};

FrameRing& frameRing(Size size, bool cold) {
    static std::map<std::pair<int, bool>, std::unique_ptr<FrameRing>> rings;
    auto& ring = rings[{size.width, cold}];
    if (!ring) {
        ring = std::make_unique<FrameRing>(size, cold);
    }
    return *ring;
}

template <typename ConvertOne>
void runFrames(benchmark::State& state, Size size, bool cold, ConvertOne convertOne) {
    FrameRing& ring = frameRing(size, cold);
    std::size_t i = 0;
    for (auto _ : state) {
        convertOne(ring.src(i), ring.dst(i));
        benchmark::ClobberMemory();
        i = i + 1 == ring.count() ? 0 : i + 1;
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(size.srcBytes() + size.dstBytes()));
}

// The destination stride each formula's callers use: padded bitmaps for the library, unpadded
// rows for the viewer.
std::size_t strideFor(Formula formula, const Size& size) {
    return formula == Formula::Library ? size.stride() : size.viewerStride();
}

// "convert" or "viewer": the first part of a benchmark name.
std::string seriesName(Formula formula) {
    return formula == Formula::Library ? "convert" : "viewer";
}

void benchPath(benchmark::State& state, Size size, bool cold, Formula formula, Path path,
               Stores stores) {
    runFrames(state, size, cold,
              [&](std::span<const std::uint8_t> src, std::span<std::uint8_t> dst) {
                  if (!qlv::convert::convertFrameWith(formula, path, stores, src, size.width,
                                                      size.height, dst, strideFor(formula, size))) {
                      state.SkipWithError("conversion refused");
                  }
              });
}

// The stores convertFrame reported, by benchmark name.
std::map<std::string, Stores>& storesUsed() {
    static std::map<std::string, Stores> used;
    return used;
}

// "convertFrame" or "viewerFrame": the first part of the name of a benchmark of convertFrame.
std::string frameName(Formula formula) {
    return formula == Formula::Library ? "convertFrame" : "viewerFrame";
}

// What the library or the viewer runs: the active path, with the stores it picks for the size.
void benchFrame(benchmark::State& state, Size size, bool cold, Formula formula) {
    Stores used = Stores::Regular;
    runFrames(state, size, cold,
              [&](std::span<const std::uint8_t> src, std::span<std::uint8_t> dst) {
                  if (!qlv::convert::convertFrame(formula, src, size.width, size.height, dst,
                                                  strideFor(formula, size), &used)) {
                      state.SkipWithError("conversion refused");
                  }
              });
    storesUsed()[frameName(formula) + nameSuffix(size, cold ? "cold" : "warm")] = used;
}

void benchLibyuv(benchmark::State& state, Size size, bool cold) {
    Bytes argb(size.pixels() * 4);
    runFrames(state, size, cold,
              [&](std::span<const std::uint8_t> src, std::span<std::uint8_t> dst) {
                  libyuv::YUY2ToARGB(src.data(), 2 * size.width, argb.data(), 4 * size.width,
                                     size.width, -size.height);
                  libyuv::ARGBToRGB24(argb.data(), 4 * size.width, dst.data(),
                                      static_cast<int>(size.stride()), size.width, size.height);
              });
}

void benchLibyuvRows(benchmark::State& state, Size size, bool cold) {
    Bytes argbRow(static_cast<std::size_t>(size.width) * 4);
    const auto srcRow = static_cast<std::size_t>(2 * size.width);
    const auto h = static_cast<std::size_t>(size.height);
    runFrames(
        state, size, cold, [&](std::span<const std::uint8_t> src, std::span<std::uint8_t> dst) {
            for (std::size_t r = 0; r < h; ++r) {
                libyuv::YUY2ToARGB(src.data() + r * srcRow, 0, argbRow.data(), 0, size.width, 1);
                libyuv::ARGBToRGB24(argbRow.data(), 0, dst.data() + (h - 1 - r) * size.stride(), 0,
                                    size.width, 1);
            }
        });
}

void benchMemcpy(benchmark::State& state, Size size, bool cold) {
    // Copies between the source frames and bitmaps of a second ring of the same size class, so the
    // byte count and the cache footprint match those of a conversion.
    const std::size_t bytes = size.srcBytes() + size.dstBytes();
    const std::size_t count = cold ? kColdBytes / (2 * bytes) + 1 : 1;
    std::vector<Bytes> from(count, randomBytes(bytes, 3));
    std::vector<Bytes> to(count, Bytes(bytes));
    std::size_t i = 0;
    for (auto _ : state) {
        std::memcpy(to[i].data(), from[i].data(), bytes);
        benchmark::ClobberMemory();
        i = i + 1 == count ? 0 : i + 1;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
}

constexpr std::size_t kViewerRawFrames = 5;

void benchViewerLoop(benchmark::State& state, Size size, Stores stores, bool copy) {
    const std::size_t stride = size.viewerStride();
    std::vector<Bytes> raw(kViewerRawFrames, randomBytes(size.srcBytes(), 7));
    Bitmap bitmap(stride * static_cast<std::size_t>(size.height));
    Bytes shown(bitmap.pixels().size());
    const Path path = qlv::convert::activePath();
    std::size_t i = 0;
    std::uint8_t fill = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Every line freshly written, as a newly captured frame's are; the values do not matter.
        std::memset(raw[i].data(), ++fill, raw[i].size());
        state.ResumeTiming();
        if (!qlv::convert::convertFrameWith(Formula::ViewerDecimal, path, stores, raw[i],
                                            size.width, size.height, bitmap.pixels(), stride)) {
            state.SkipWithError("conversion refused");
        }
        if (copy) {
            std::memcpy(shown.data(), bitmap.pixels().data(), shown.size());
        }
        benchmark::ClobberMemory();
        i = i + 1 == raw.size() ? 0 : i + 1;
    }
}

// "viewerLoop/1280x1024/streaming_copy" and the like.
std::string viewerLoopName(const Size& size, Stores stores, bool copy) {
    std::string name = "viewerLoop/" + size.name() + "/" + qlv::convert::storesName(stores);
    if (copy) {
        name += "_copy";
    }
    return name;
}

// Every path and both stores must give the scalar path's bytes, for both formulas, or the timings
// mean nothing.
bool pathsAgree() {
    const Size size = kSizes[1];
    const Bytes src = randomBytes(size.srcBytes(), 42);
    for (Formula formula : {Formula::Library, Formula::ViewerDecimal}) {
        const std::size_t stride = strideFor(formula, size);
        Bitmap expected(size.dstBytes());
        qlv::convert::convertFrameWith(formula, Path::Scalar, Stores::Regular, src, size.width,
                                       size.height, expected.pixels(), stride);
        for (Path path : kAllPaths) {
            for (Stores stores : {Stores::Regular, Stores::Streaming}) {
                if (!qlv::convert::storesSupported(path, stores)) {
                    continue;
                }
                Bitmap actual(size.dstBytes());
                if (!qlv::convert::convertFrameWith(formula, path, stores, src, size.width,
                                                    size.height, actual.pixels(), stride) ||
                    !std::ranges::equal(actual.pixels(), expected.pixels())) {
                    std::fprintf(stderr, "the %s path differs from the scalar one (%s formula)\n",
                                 variantName(path, stores).c_str(),
                                 qlv::convert::formulaName(formula));
                    return false;
                }
            }
        }
    }
    return true;
}

// Console output as usual, plus a closing table of the per-frame times side by side.
class SummaryReporter : public bench::MedianReporter {
public:
    using MedianReporter::MedianReporter;

    void Finalize() override {
        ConsoleReporter::Finalize();
        auto& out = GetOutputStream();
        out << "\nCPU ms per frame (median); _nt: streaming stores; convertFrame / viewerFrame: "
               "convertFrame's choice of path and stores, named under \"choice\"\n";
        printTable(out, Formula::Library);
        out << "\nThe viewer's decimal formula into unpadded rows (stride 3 x width)\n";
        printTable(out, Formula::ViewerDecimal);
        printViewerLoop(out);
    }

private:
    void printTable(std::ostream& out, Formula formula) const {
        const std::string series = seriesName(formula);
        const std::string frame = frameName(formula);
        char line[256];
        std::snprintf(line, sizeof line, "%-15s", "");
        std::string header = line;
        for (Path path : kAllPaths) {
            std::snprintf(line, sizeof line, " %9s", variantName(path, Stores::Regular).c_str());
            header += line;
        }
        for (Path path : kVectorPaths) {
            std::snprintf(line, sizeof line, " %9s", variantName(path, Stores::Streaming).c_str());
            header += line;
        }
        std::snprintf(line, sizeof line, " %12s %-16s %8s %11s %8s %13s\n", frame.c_str(), "choice",
                      "libyuv", "libyuv_rows", "memcpy", "frame/libyuv");
        out << header << line;
        for (const Size& size : kSizes) {
            for (const char* temperature : {"warm", "cold"}) {
                const std::string suffix = nameSuffix(size, temperature);
                std::snprintf(line, sizeof line, "%-15s",
                              (size.name() + " " + temperature).c_str());
                std::string row = line;
                for (Path path : kAllPaths) {
                    row += cell(series + suffix + "/" + variantName(path, Stores::Regular), 9);
                }
                for (Path path : kVectorPaths) {
                    row += cell(series + suffix + "/" + variantName(path, Stores::Streaming), 9);
                }
                row += cell(frame + suffix, 12);
                std::snprintf(line, sizeof line, " %-16s", choice(frame + suffix).c_str());
                row += line;
                row += cell("libyuv" + suffix, 8) + cell("libyuv_rows" + suffix, 11) +
                       cell("memcpy" + suffix, 8);
                const double ours = median(frame + suffix);
                const double anchor = median("libyuv" + suffix);
                if (ours > 0 && anchor > 0) {
                    std::snprintf(line, sizeof line, " %13.2f", ours / anchor);
                    row += line;
                }
                out << row << "\n";
            }
        }
    }

    void printViewerLoop(std::ostream& out) const {
        out << "\nThe viewer's loop: " << kViewerRawFrames
            << " fresh frames in turn into one bitmap, "
            << qlv::convert::pathName(qlv::convert::activePath())
            << " path; _copy: with the display's copy of the bitmap\n";
        char line[256];
        std::snprintf(line, sizeof line, "%-15s %9s %9s %14s %14s\n", "", "regular", "streaming",
                      "regular_copy", "streaming_copy");
        out << line;
        for (const Size& size : kSizes) {
            std::snprintf(line, sizeof line, "%-15s", size.name().c_str());
            std::string row = line;
            for (bool copy : {false, true}) {
                for (Stores stores : {Stores::Regular, Stores::Streaming}) {
                    row += cell(viewerLoopName(size, stores, copy), copy ? 14 : 9);
                }
            }
            out << row << "\n";
        }
    }

    std::string cell(const std::string& name, int width) const {
        char text[32];
        const double ms = median(name);
        if (ms > 0) {
            std::snprintf(text, sizeof text, " %*.3f", width, ms);
        } else {
            std::snprintf(text, sizeof text, " %*s", width, "-");
        }
        return text;
    }

    // "avx512/streaming": what convertFrame ran for this benchmark, if it ran.
    static std::string choice(const std::string& benchmarkName) {
        const auto it = storesUsed().find(benchmarkName);
        if (it == storesUsed().end()) {
            return "-";
        }
        std::string name = qlv::convert::pathName(qlv::convert::activePath());
        name += "/";
        name += qlv::convert::storesName(it->second);
        return name;
    }
};

void registerAll() {
    for (const Size& size : kSizes) {
        for (bool cold : {false, true}) {
            const std::string suffix = nameSuffix(size, cold ? "cold" : "warm");
            auto add = [](const std::string& name, auto fn) {
                benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond);
            };
            for (Formula formula : {Formula::Library, Formula::ViewerDecimal}) {
                for (Stores stores : {Stores::Regular, Stores::Streaming}) {
                    for (Path path : kAllPaths) {
                        if (qlv::convert::storesSupported(path, stores)) {
                            add(seriesName(formula) + suffix + "/" + variantName(path, stores),
                                [=](benchmark::State& s) {
                                    benchPath(s, size, cold, formula, path, stores);
                                });
                        }
                    }
                }
                add(frameName(formula) + suffix,
                    [=](benchmark::State& s) { benchFrame(s, size, cold, formula); });
            }
            add("libyuv" + suffix, [=](benchmark::State& s) { benchLibyuv(s, size, cold); });
            add("libyuv_rows" + suffix,
                [=](benchmark::State& s) { benchLibyuvRows(s, size, cold); });
            add("memcpy" + suffix, [=](benchmark::State& s) { benchMemcpy(s, size, cold); });
        }
        for (bool copy : {false, true}) {
            for (Stores stores : {Stores::Regular, Stores::Streaming}) {
                if (qlv::convert::storesSupported(qlv::convert::activePath(), stores)) {
                    benchmark::RegisterBenchmark(
                        viewerLoopName(size, stores, copy).c_str(),
                        [=](benchmark::State& s) { benchViewerLoop(s, size, stores, copy); })
                        ->Unit(benchmark::kMillisecond);
                }
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (!pathsAgree()) {
        return 1;
    }
    registerAll();
    SummaryReporter reporter(isatty(STDOUT_FILENO) != 0
                                 ? benchmark::ConsoleReporter::OO_ColorTabular
                                 : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
