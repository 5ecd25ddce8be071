#include "convert/yuyv_to_bgr.h"

#include "convert/row_kernels.h"

#if QLV_CONVERT_X86
#include <immintrin.h>
#endif

namespace qlv::convert {

namespace {

constexpr ColourTables kColourTables = buildColourTables();
constexpr ColourTables kDecimalTables = buildDecimalTables();

// Library sums are 16.16 fixed point, decimal ones whole units.
template <Formula formula>
constexpr int kFractionBits = formula == Formula::Library ? 16 : 0;

template <Formula formula>
constexpr const ColourTables& kTables =
    formula == Formula::Library ? kColourTables : kDecimalTables;

// A sum to a channel byte: saturate below 0.0 and at 256.0 and above. Written to compile to
// conditional moves: whether a channel saturates changes from pixel to pixel.
template <Formula formula>
inline std::uint8_t clampChannel(std::int32_t v) noexcept {
    constexpr int kShift = kFractionBits<formula>;
    constexpr std::int32_t kMax = (std::int32_t{256} << kShift) - 1;
    v = v < 0 ? 0 : v;
    v = v > kMax ? kMax : v;
    return static_cast<std::uint8_t>(v >> kShift);
}

template <Formula formula>
detail::RowConverter rowConverter(Path path, Stores stores) noexcept {
    const bool streaming = stores == Stores::Streaming;
    switch (path) {
#if QLV_CONVERT_X86
        case Path::Ssse3:
            return streaming ? detail::convertRowSsse3Streaming<formula>
                             : detail::convertRowSsse3<formula>;
        case Path::Avx2:
            return streaming ? detail::convertRowAvx2Streaming<formula>
                             : detail::convertRowAvx2<formula>;
        case Path::Avx512:
            return streaming ? detail::convertRowAvx512Streaming<formula>
                             : detail::convertRowAvx512<formula>;
#else
        case Path::Ssse3:
        case Path::Avx2:
        case Path::Avx512:
            break;
#endif
        case Path::Scalar:
            break;
    }
    return detail::convertRowScalar<formula>;
}

detail::RowConverter rowConverter(Formula formula, Path path, Stores stores) noexcept {
    return formula == Formula::ViewerDecimal ? rowConverter<Formula::ViewerDecimal>(path, stores)
                                             : rowConverter<Formula::Library>(path, stores);
}

// The active path's converters, chosen once per formula.
struct ActiveConverters {
    detail::RowConverter regular;
    detail::RowConverter streaming;
};

template <Formula formula>
const ActiveConverters& activeConverters() noexcept {
    static const ActiveConverters converters{
        rowConverter<formula>(activePath(), Stores::Regular),
        rowConverter<formula>(activePath(), Stores::Streaming)};
    return converters;
}

Path widestSupportedPath() noexcept {
    for (Path path : {Path::Avx512, Path::Avx2, Path::Ssse3}) {
        if (pathSupported(path)) {
            return path;
        }
    }
    return Path::Scalar;
}

bool rangesOverlap(const void* a, std::size_t aSize, const void* b, std::size_t bSize) noexcept {
    const auto aBegin = reinterpret_cast<std::uintptr_t>(a);
    const auto bBegin = reinterpret_cast<std::uintptr_t>(b);
    return aBegin < bBegin + bSize && bBegin < aBegin + aSize;
}

// The bytes the destination spans, or 0 when the arguments are refused.
std::size_t checkedDstBytes(std::span<const std::uint8_t> yuyv, int width, int height,
                            std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride) noexcept {
    if (width <= 0 || width % 2 != 0 || height <= 0) {
        return 0;
    }
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    const std::size_t dstRowBytes = 3 * w;
    if (dstStride < dstRowBytes) {
        return 0;
    }
    // The last destination row needs no padding after it. The stride is the caller's, so its
    // product is checked for overflow; the source size cannot overflow with int dimensions.
    std::size_t dstNeeded = 0;
    if (__builtin_mul_overflow(dstStride, h - 1, &dstNeeded) ||
        __builtin_add_overflow(dstNeeded, dstRowBytes, &dstNeeded)) {
        return 0;
    }
    const std::size_t srcNeeded = 2 * w * h;
    if (yuyv.size() < srcNeeded || bgrBottomUp.size() < dstNeeded) {
        return 0;
    }
    if (rangesOverlap(yuyv.data(), srcNeeded, bgrBottomUp.data(), dstNeeded)) {
        return 0;
    }
    return dstNeeded;
}

// Arguments already checked.
void convertRows(detail::RowConverter convertRow, Stores stores, const std::uint8_t* yuyv,
                 int width, int height, std::uint8_t* bgrBottomUp, std::size_t dstStride) noexcept {
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    const std::size_t pairs = w / 2;
    // The stride fits: the destination span holds more than one stride whenever it is used.
    const auto next = static_cast<std::ptrdiff_t>(dstStride);
    for (std::size_t r = 0; r < h; ++r) {
        std::uint8_t* dst = bgrBottomUp + (h - 1 - r) * dstStride;
        convertRow(yuyv + r * 2 * w, dst, pairs, r + 1 < h ? -next : 0);
    }
#if QLV_CONVERT_X86
    // Non-temporal stores are not ordered with later stores: without the fence the caller's
    // release store of its hand-over counter could become visible before parts of the bitmap.
    if (stores == Stores::Streaming) {
        _mm_sfence();
    }
#else
    static_cast<void>(stores);
#endif
}

}  // namespace

const char* formulaName(Formula formula) noexcept {
    switch (formula) {
        case Formula::Library:
            return "library";
        case Formula::ViewerDecimal:
            return "decimal";
    }
    return "unknown";
}

const ColourTables& colourTables(Formula formula) noexcept {
    return formula == Formula::ViewerDecimal ? kDecimalTables : kColourTables;
}

const char* pathName(Path path) noexcept {
    switch (path) {
        case Path::Scalar:
            return "scalar";
        case Path::Ssse3:
            return "ssse3";
        case Path::Avx2:
            return "avx2";
        case Path::Avx512:
            return "avx512";
    }
    return "unknown";
}

bool pathSupported(Path path) noexcept {
    switch (path) {
        case Path::Scalar:
            return true;
#if QLV_CONVERT_X86
        // libgcc also checks that the OS saves the wider registers (XGETBV) before it reports
        // AVX2 or AVX-512 features.
        case Path::Ssse3:
            return __builtin_cpu_supports("ssse3") != 0;
        case Path::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
        case Path::Avx512:
            return __builtin_cpu_supports("avx512bw") != 0 &&
                   __builtin_cpu_supports("avx512vbmi") != 0;
#else
        case Path::Ssse3:
        case Path::Avx2:
        case Path::Avx512:
            return false;
#endif
    }
    return false;
}

Path activePath() noexcept {
    static const Path active = widestSupportedPath();
    return active;
}

const char* storesName(Stores stores) noexcept {
    switch (stores) {
        case Stores::Regular:
            return "regular";
        case Stores::Streaming:
            return "streaming";
    }
    return "unknown";
}

bool storesSupported(Path path, Stores stores) noexcept {
    switch (stores) {
        case Stores::Regular:
            return pathSupported(path);
        case Stores::Streaming:
            return path != Path::Scalar && pathSupported(path);
    }
    return false;
}

Stores activeStores(std::size_t dstBytes, Formula formula) noexcept {
    static const bool canStream = storesSupported(activePath(), Stores::Streaming);
    return canStream && formula == Formula::Library && dstBytes >= kStreamingMinBytes
               ? Stores::Streaming
               : Stores::Regular;
}

bool convertFrame(Formula formula, std::span<const std::uint8_t> yuyv, int width, int height,
                  std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride,
                  Stores* storesUsed) noexcept {
    const std::size_t dstBytes = checkedDstBytes(yuyv, width, height, bgrBottomUp, dstStride);
    if (dstBytes == 0) {
        return false;
    }
    const ActiveConverters& converters = formula == Formula::ViewerDecimal
                                             ? activeConverters<Formula::ViewerDecimal>()
                                             : activeConverters<Formula::Library>();
    const Stores stores = activeStores(dstBytes, formula);
    convertRows(stores == Stores::Streaming ? converters.streaming : converters.regular, stores,
                yuyv.data(), width, height, bgrBottomUp.data(), dstStride);
    if (storesUsed != nullptr) {
        *storesUsed = stores;
    }
    return true;
}

bool convertFrame(std::span<const std::uint8_t> yuyv, int width, int height,
                  std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride,
                  Stores* storesUsed) noexcept {
    return convertFrame(Formula::Library, yuyv, width, height, bgrBottomUp, dstStride, storesUsed);
}

bool convertFrameWith(Formula formula, Path path, Stores stores, std::span<const std::uint8_t> yuyv,
                      int width, int height, std::span<std::uint8_t> bgrBottomUp,
                      std::size_t dstStride) noexcept {
    if (!storesSupported(path, stores) ||
        checkedDstBytes(yuyv, width, height, bgrBottomUp, dstStride) == 0) {
        return false;
    }
    convertRows(rowConverter(formula, path, stores), stores, yuyv.data(), width, height,
                bgrBottomUp.data(), dstStride);
    return true;
}

bool convertFrameWith(Path path, Stores stores, std::span<const std::uint8_t> yuyv, int width,
                      int height, std::span<std::uint8_t> bgrBottomUp,
                      std::size_t dstStride) noexcept {
    return convertFrameWith(Formula::Library, path, stores, yuyv, width, height, bgrBottomUp,
                            dstStride);
}

bool convertFrameWith(Path path, std::span<const std::uint8_t> yuyv, int width, int height,
                      std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride) noexcept {
    return convertFrameWith(Formula::Library, path, Stores::Regular, yuyv, width, height,
                            bgrBottomUp, dstStride);
}

namespace detail {

template <Formula formula>
void convertRowScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                      std::ptrdiff_t /*next*/) noexcept {
    const ColourTables& t = kTables<formula>;
    for (std::size_t p = 0; p < pairs; ++p, src += 4, dst += 6) {
        const std::uint8_t cb = src[1];
        const std::uint8_t cr = src[3];
        const std::int32_t blue = t.cbToB[cb];
        const std::int32_t green = -t.cbToG[cb] - t.crToG[cr];
        const std::int32_t red = t.crToR[cr];
        for (int i = 0; i < 2; ++i) {
            const std::int32_t y = static_cast<std::int32_t>(src[2 * i]) << kFractionBits<formula>;
            dst[3 * i + 0] = clampChannel<formula>(y + blue);
            dst[3 * i + 1] = clampChannel<formula>(y + green);
            dst[3 * i + 2] = clampChannel<formula>(y + red);
        }
    }
}

template void convertRowScalar<Formula::Library>(const std::uint8_t*, std::uint8_t*, std::size_t,
                                                 std::ptrdiff_t) noexcept;
template void convertRowScalar<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                       std::size_t, std::ptrdiff_t) noexcept;

}  // namespace detail

}  // namespace qlv::convert
