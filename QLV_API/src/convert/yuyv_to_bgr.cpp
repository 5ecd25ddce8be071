#include "convert/yuyv_to_bgr.h"

#include "convert/row_kernels.h"

namespace qlv::convert {

namespace {

constexpr ColourTables kColourTables = buildColourTables();

// 16.16 value to a channel byte: saturate below 0.0 and at 256.0 and above. Written to compile
// to conditional moves: whether a channel saturates changes from pixel to pixel.
inline std::uint8_t clampFixed(std::int32_t v) noexcept {
    v = v < 0 ? 0 : v;
    v = v > 0xFFFFFF ? 0xFFFFFF : v;
    return static_cast<std::uint8_t>(v >> 16);
}

detail::RowConverter rowConverter(Path path) noexcept {
    switch (path) {
#if QLV_CONVERT_X86
        case Path::Ssse3:
            return detail::convertRowSsse3;
        case Path::Avx2:
            return detail::convertRowAvx2;
        case Path::Avx512:
            return detail::convertRowAvx512;
#else
        case Path::Ssse3:
        case Path::Avx2:
        case Path::Avx512:
            break;
#endif
        case Path::Scalar:
            break;
    }
    return detail::convertRowScalar;
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

bool convertWith(detail::RowConverter convertRow, std::span<const std::uint8_t> yuyv, int width,
                 int height, std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride) noexcept {
    if (width <= 0 || width % 2 != 0 || height <= 0) {
        return false;
    }
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    const std::size_t srcRowBytes = 2 * w;
    const std::size_t dstRowBytes = 3 * w;
    if (dstStride < dstRowBytes) {
        return false;
    }
    // The last destination row needs no padding after it. The stride is the caller's, so its
    // product is checked for overflow; the source size cannot overflow with int dimensions.
    std::size_t dstNeeded = 0;
    if (__builtin_mul_overflow(dstStride, h - 1, &dstNeeded) ||
        __builtin_add_overflow(dstNeeded, dstRowBytes, &dstNeeded)) {
        return false;
    }
    const std::size_t srcNeeded = srcRowBytes * h;
    if (yuyv.size() < srcNeeded || bgrBottomUp.size() < dstNeeded) {
        return false;
    }
    if (rangesOverlap(yuyv.data(), srcNeeded, bgrBottomUp.data(), dstNeeded)) {
        return false;
    }

    const std::size_t pairs = w / 2;
    for (std::size_t r = 0; r < h; ++r) {
        convertRow(yuyv.data() + r * srcRowBytes, bgrBottomUp.data() + (h - 1 - r) * dstStride,
                   pairs);
    }
    return true;
}

}  // namespace

const ColourTables& colourTables() noexcept {
    return kColourTables;
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

bool convertFrame(std::span<const std::uint8_t> yuyv, int width, int height,
                  std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride) noexcept {
    static const detail::RowConverter active = rowConverter(activePath());
    return convertWith(active, yuyv, width, height, bgrBottomUp, dstStride);
}

bool convertFrameWith(Path path, std::span<const std::uint8_t> yuyv, int width, int height,
                      std::span<std::uint8_t> bgrBottomUp, std::size_t dstStride) noexcept {
    if (!pathSupported(path)) {
        return false;
    }
    return convertWith(rowConverter(path), yuyv, width, height, bgrBottomUp, dstStride);
}

namespace detail {

void convertRowScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs) noexcept {
    const ColourTables& t = kColourTables;
    for (std::size_t p = 0; p < pairs; ++p, src += 4, dst += 6) {
        const std::uint8_t cb = src[1];
        const std::uint8_t cr = src[3];
        const std::int32_t blue = t.cbToB[cb];
        const std::int32_t green = -t.cbToG[cb] - t.crToG[cr];
        const std::int32_t red = t.crToR[cr];
        for (int i = 0; i < 2; ++i) {
            const std::int32_t y = static_cast<std::int32_t>(src[2 * i]) << 16;
            dst[3 * i + 0] = clampFixed(y + blue);
            dst[3 * i + 1] = clampFixed(y + green);
            dst[3 * i + 2] = clampFixed(y + red);
        }
    }
}

}  // namespace detail

}  // namespace qlv::convert
