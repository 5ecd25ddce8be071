// Conversion of YCbCr 4:2:2 camera frames into 24-bit bottom-up BGR bitmaps.
//
// A static library, not part of the shared library's exports: the library converts its display
// bitmaps with it, and the viewer links it for its own frames. All functions are pure
// computations on caller-owned memory: they take no locks, keep no state besides the once-chosen
// implementation, and may be called from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qlv::convert {

// The two exact formulas a frame can be converted with. Both compute each channel as Y plus
// chroma terms looked up by the raw Cb or Cr byte, clamped to 0..255; they differ in the tables
// and in the units of the sum.
enum class Formula {
    Library,        // buildColourTables(), in 16.16 fixed point: the library's display bitmaps
    ViewerDecimal,  // buildDecimalTables(), in whole units: the viewer's frames
};

const char* formulaName(Formula formula) noexcept;

// Chroma contributions indexed by the raw Cb or Cr byte, in the units of their formula.
struct ColourTables {
    std::array<std::int32_t, 256> crToR;
    std::array<std::int32_t, 256> crToG;
    std::array<std::int32_t, 256> cbToG;
    std::array<std::int32_t, 256> cbToB;
};

// Formula::Library: 16.16 fixed point (65536 = 1.0).
constexpr ColourTables buildColourTables() noexcept {
    ColourTables t{};
    for (std::size_t i = 0; i < 256; ++i) {
        const std::int32_t c = static_cast<std::int32_t>(i) - 128;
        t.crToR[i] = 91894 * c;
        t.crToG[i] = 46825 * c;
        t.cbToG[i] = 22649 * c;
        t.cbToB[i] = 116064 * c;
    }
    return t;
}

// Formula::ViewerDecimal: whole units, factors in ten-thousandths, each entry truncated toward
// zero by integer division.
constexpr ColourTables buildDecimalTables() noexcept {
    ColourTables t{};
    for (std::size_t i = 0; i < 256; ++i) {
        const std::int32_t c = static_cast<std::int32_t>(i) - 128;
        t.crToR[i] = 14022 * c / 10000;
        t.crToG[i] = 7145 * c / 10000;
        t.cbToG[i] = 3456 * c / 10000;
        t.cbToB[i] = 17710 * c / 10000;
    }
    return t;
}

// The tables the plain conversion uses for a formula; built at compile time, so ready before any
// thread runs.
const ColourTables& colourTables(Formula formula = Formula::Library) noexcept;

// Implementations of the conversion. All give identical bytes; they differ only in speed.
enum class Path {
    Scalar,  // the table formula, one pixel pair at a time; runs on every CPU
    Ssse3,   // 16 pixels per step
    Avx2,    // 32 pixels per step
    Avx512,  // 64 pixels per step; needs AVX-512BW and AVX-512VBMI
};

const char* pathName(Path path) noexcept;

// True when this CPU (and the OS, for the wide registers) can run the path.
bool pathSupported(Path path) noexcept;

// The path convertFrame uses: the widest supported one, chosen on first use and kept.
Path activePath() noexcept;

// How a path writes the bitmap. Both give identical bytes.
enum class Stores {
    Regular,    // through the caches, where a small bitmap is still found by its reader and by
                // the next conversion into it
    Streaming,  // whole cache lines with non-temporal stores, straight to memory: no line is read
                // first, and the caches keep what they held; vector paths only
};

const char* storesName(Stores stores) noexcept;

// True when the path can write with these stores on this CPU.
bool storesSupported(Path path, Stores stores) noexcept;

// Library destinations spanning at least this many bytes are streamed by convertFrame: about half a
// core's share of a last-level cache, and where streaming overtook regular stores when measured
// as the library converts (a fresh frame each time, two bitmaps in turn). Smaller bitmaps are
// mostly still cached when written again; larger ones are not, and regular stores then read
// every line from memory before writing it. A 1280 x 1024 bitmap (3.75 MiB) is streamed, a
// 640 x 480 one (0.88 MiB) is not.
inline constexpr std::size_t kStreamingMinBytes = std::size_t{2} << 20;

// The stores convertFrame uses for a destination spanning dstBytes bytes, that is
// dstStride * (height - 1) + 3 * width, converted with `formula`:
// - Formula::Library: Streaming from kStreamingMinBytes on when the active path supports it, else
//   Regular;
// - Formula::ViewerDecimal: always Regular. The viewer converts every frame into the one bitmap it
//   keeps, and the display copies that bitmap straight after: kept in the caches, its lines are
//   found there by the next conversion and by the copy, where streamed ones must come back from
//   memory. Measured in that pattern at 1280 x 1024, regular stores took about 0.15 ms a frame
//   against 0.19 streamed, and 0.28 against 0.37 with the copy.
Stores activeStores(std::size_t dstBytes, Formula formula = Formula::Library) noexcept;

// Bytes per row of a 24-bit bitmap: 3 bytes per pixel, padded to a multiple of 4.
// Only meaningful for width > 0.
constexpr std::size_t bitmapStride(int width) noexcept {
    return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
}

// Converts a frame of pixel pairs Y0 Cb Y1 Cr (rows top-down, 2 * width bytes each, no padding)
// into BGR pixels with rows bottom-up: source row r is written at byte
// dstStride * (height - 1 - r) of bgrBottomUp, 3 * width bytes, columns in order, blue first.
// Each channel is Y plus the chroma terms of colourTables(formula) (blue + cbToB,
// green - cbToG - crToG, red + crToR), clamped:
// - Formula::Library: Y * 65536 plus the terms, then 0 if negative, 255 if 2^24 or more, else the
//   value / 65536;
// - Formula::ViewerDecimal: Y plus the terms, then 0 if negative, 255 if above 255.
// Bytes between 3 * width and dstStride of each destination row are not touched.
//
// Every streaming store is fenced before the function returns, so a release store after the call
// publishes the bitmap to a thread that acquires it, as with regular stores.
//
// Returns true when converted. Returns false, leaving the destination untouched, when width is
// not positive and even (an odd width is refused: its last pixel has no pair of its own),
// height is not positive, dstStride < 3 * width, yuyv is shorter than
// 2 * width * height bytes, bgrBottomUp is shorter than dstStride * (height - 1) + 3 * width
// bytes (a bitmap of dstStride * height bytes always fits), or the two buffers overlap.
//
// storesUsed, when given, receives the stores the conversion wrote with,
// activeStores(dstStride * (height - 1) + 3 * width, formula); it is left alone when refused.
//
// The viewer converts with Formula::ViewerDecimal and dstStride = 3 * width.
bool convertFrame(Formula formula, std::span<const std::uint8_t> yuyv, int width, int height,
                  std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride,
                  Stores* storesUsed = nullptr) noexcept;

// The same with Formula::Library.
bool convertFrame(std::span<const std::uint8_t> yuyv, int width, int height,
                  std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride,
                  Stores* storesUsed = nullptr) noexcept;

// The same with a chosen path and stores, whatever the size; also returns false when the path
// or the stores are not supported here. Lets tests and benchmarks compare them with each other.
bool convertFrameWith(Formula formula, Path path, Stores stores, std::span<const std::uint8_t> yuyv,
                      int width, int height, std::span<std::uint8_t> bgrBottomUp,
                      std::size_t dstStride) noexcept;

// The same with Formula::Library.
bool convertFrameWith(Path path, Stores stores, std::span<const std::uint8_t> yuyv, int width,
                      int height, std::span<std::uint8_t> bgrBottomUp,
                      std::size_t dstStride) noexcept;

// The same with Formula::Library and regular stores.
bool convertFrameWith(Path path, std::span<const std::uint8_t> yuyv, int width, int height,
                      std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride) noexcept;

}  // namespace qlv::convert
