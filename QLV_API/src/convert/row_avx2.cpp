// AVX2 row converter, 16 pixel pairs per step. Same arithmetic as the SSSE3 one, for both
// formulas (see there for why it is exact), on two 128-bit lanes at once.
#include <immintrin.h>

#include "convert/row_kernels.h"

namespace qlv::convert::detail {

namespace {

struct Constants {
    __m256i lowBytes, chromaTimes4, chromaBias4, dupLow, dupHigh;
    __m256i blueRedMul, greenMul, greenFix, dupGreen;  // as in the SSSE3 converter
    __m256i select[3][3];
};

template <Formula formula>
[[QLV_AVX2]] inline Constants makeConstants() noexcept {
    Constants k;
    k.lowBytes = _mm256_set1_epi16(0x00FF);
    k.chromaTimes4 = _mm256_set1_epi16(kChromaScale << 8);
    k.chromaBias4 = _mm256_set1_epi16(kChromaScale * 128);
    k.dupLow = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13));
    k.dupHigh = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15));
    k.blueRedMul = _mm256_set1_epi32(kBlueRedMultipliers);
    if constexpr (formula == Formula::Library) {
        k.greenMul = _mm256_set1_epi32(kLibraryGreenMultipliers);
        k.greenFix = _mm256_set1_epi32(wordPair(0, -1));
        k.dupGreen = k.dupHigh;
    } else {
        k.greenMul = _mm256_set1_epi32(kDecimalGreenMultipliers);
        k.greenFix = _mm256_set1_epi16(-1);
        k.dupGreen = k.dupLow;
    }
    for (int block = 0; block < 3; ++block) {
        for (int channel = 0; channel < 3; ++channel) {
            k.select[block][channel] = _mm256_broadcastsi128_si256(_mm_load_si128(
                reinterpret_cast<const __m128i*>(kInterleave16.select[block][channel])));
        }
    }
    return k;
}

struct Words {
    __m256i b, g, r;  // one 16-bit channel value per pixel, not yet clamped
};

// 8 pixel pairs (Y0 Cb Y1 Cr each) to 16 pixels of 16-bit B, G, R.
template <Formula formula>
[[QLV_AVX2, gnu::always_inline]] inline Words pixelWords(__m256i in, const Constants& k) noexcept {
    const __m256i y = _mm256_and_si256(in, k.lowBytes);
    const __m256i c4 = _mm256_sub_epi16(_mm256_maddubs_epi16(in, k.chromaTimes4), k.chromaBias4);
    __m256i blueRed = _mm256_mulhi_epi16(c4, k.blueRedMul);
    __m256i green;
    if constexpr (formula == Formula::Library) {
        const __m256i c = _mm256_srai_epi16(c4, 2);
        green = _mm256_sub_epi32(_mm256_madd_epi16(c, k.greenMul), _mm256_and_si256(c, k.greenFix));
    } else {
        const __m256i negative = _mm256_srai_epi16(c4, 15);
        blueRed = _mm256_sub_epi16(blueRed, negative);
        green = _mm256_madd_epi16(_mm256_sub_epi16(_mm256_mulhi_epi16(c4, k.greenMul), negative),
                                  k.greenFix);
    }
    return {_mm256_add_epi16(y, _mm256_shuffle_epi8(blueRed, k.dupLow)),
            _mm256_add_epi16(y, _mm256_shuffle_epi8(green, k.dupGreen)),
            _mm256_add_epi16(y, _mm256_shuffle_epi8(blueRed, k.dupHigh))};
}

[[QLV_AVX2, gnu::always_inline]] inline __m256i interleaved(__m256i b, __m256i g, __m256i r,
                                                            const __m256i (&select)[3]) noexcept {
    return _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(b, select[0]), _mm256_shuffle_epi8(g, select[1])),
        _mm256_shuffle_epi8(r, select[2]));
}

[[QLV_AVX2, gnu::always_inline]] inline __m256i loadLanes(const std::uint8_t* lo,
                                                          const std::uint8_t* hi) noexcept {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

// 16 pairs: 64 source bytes to 96 destination bytes; non-temporal stores when Streaming, dst then
// 32-byte aligned.
template <Formula formula, bool Streaming>
[[QLV_AVX2, gnu::always_inline]] inline void convertStep(const std::uint8_t* src, std::uint8_t* dst,
                                                         const Constants& k) noexcept {
    // Loaded so that the lane-wise packs below leave pixels 0-15 in the low lane and 16-31 in the
    // high one, in order.
    const Words first = pixelWords<formula>(loadLanes(src, src + 32), k);
    const Words second = pixelWords<formula>(loadLanes(src + 16, src + 48), k);
    const __m256i b = _mm256_packus_epi16(first.b, second.b);
    const __m256i g = _mm256_packus_epi16(first.g, second.g);
    const __m256i r = _mm256_packus_epi16(first.r, second.r);
    // Low lanes hold output bytes 0-47, high lanes bytes 48-95.
    const __m256i o0 = interleaved(b, g, r, k.select[0]);
    const __m256i o1 = interleaved(b, g, r, k.select[1]);
    const __m256i o2 = interleaved(b, g, r, k.select[2]);
    const __m256i bytes[3] = {_mm256_permute2x128_si256(o0, o1, 0x20),
                              _mm256_permute2x128_si256(o2, o0, 0x30),
                              _mm256_permute2x128_si256(o1, o2, 0x31)};
    auto* out = reinterpret_cast<__m256i*>(dst);
    for (int block = 0; block < 3; ++block) {
        if constexpr (Streaming) {
            _mm256_stream_si256(out + block, bytes[block]);
        } else {
            _mm256_storeu_si256(out + block, bytes[block]);
        }
    }
}

}  // namespace

template <Formula formula>
[[QLV_AVX2]] void convertRowAvx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                                 std::ptrdiff_t next) noexcept {
    constexpr std::size_t kStep = 16;
    if (pairs < kStep) {
        convertRowSsse3<formula>(src, dst, pairs, next);
        return;
    }
    const Constants k = makeConstants<formula>();
    std::size_t p = 0;
    for (; p + kStep <= pairs; p += kStep) {
        _mm_prefetch(dst + next + 6 * p, _MM_HINT_T0);
        _mm_prefetch(dst + next + 6 * p + 64, _MM_HINT_T0);
        convertStep<formula, false>(src + 4 * p, dst + 6 * p, k);
    }
    // The rest as one more step ending at the row's end, rewriting some pixels with equal bytes.
    if (p < pairs) {
        p = pairs - kStep;
        convertStep<formula, false>(src + 4 * p, dst + 6 * p, k);
    }
}

template <Formula formula>
[[QLV_AVX2]] void streamBlocksAvx2(const std::uint8_t* src, std::uint8_t* dst,
                                   std::size_t blocks) noexcept {
    constexpr std::size_t kStep = 16;
    static_assert(kBlockPairs % kStep == 0);
    const Constants k = makeConstants<formula>();
    for (std::size_t p = 0; p < blocks * kBlockPairs; p += kStep) {
        convertStep<formula, true>(src + 4 * p, dst + 6 * p, k);
    }
}

template void convertRowAvx2<Formula::Library>(const std::uint8_t*, std::uint8_t*, std::size_t,
                                               std::ptrdiff_t) noexcept;
template void convertRowAvx2<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                     std::size_t, std::ptrdiff_t) noexcept;
template void streamBlocksAvx2<Formula::Library>(const std::uint8_t*, std::uint8_t*,
                                                 std::size_t) noexcept;
template void streamBlocksAvx2<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                       std::size_t) noexcept;

}  // namespace qlv::convert::detail
