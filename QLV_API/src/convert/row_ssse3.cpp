// SSSE3 row converter, 8 pixel pairs per step.
//
// Why the vector form is exact: Y * 65536 is a whole multiple of 65536, so clamping
// Y * 65536 + t and dividing by 65536 equals clamping Y + floor(t / 65536) to 0..255. Each channel
// is therefore Y plus a small offset that depends only on the pair's (Cb, Cr), and 16-bit adds
// followed by an unsigned saturating pack reproduce the table formula bit for bit. The decimal
// formula is Y plus offsets in whole units already. Blue and red offsets, and the decimal green
// terms, are multiply-highs of the scaled chroma (see chromaTermExact); the library's green is
//   floor(-(22649 cb + 46825 cr) / 65536) = high word of (-22649 cb + 18711 cr) - 65536 cr.
// All functions carry their own target attribute (no file-wide -m flags), so no code from here
// runs unless the caller checked the CPU.
#include <immintrin.h>

#include "convert/row_kernels.h"

namespace qlv::convert::detail {

namespace {

struct Constants {
    __m128i lowBytes, chromaTimes4, chromaBias4, dupLow, dupHigh;
    __m128i blueRedMul;
    // Library: the green multiply-add on c and the mask of the Cr word subtracted from it.
    // Decimal: the green multipliers of c4 and the -1 words whose multiply-add sums and negates
    // the two green terms.
    __m128i greenMul, greenFix;
    __m128i dupGreen;  // where each pair's green offset is: the high word, or the low one
    __m128i select[3][3];
};

template <Formula formula>
[[QLV_SSSE3]] inline Constants makeConstants() noexcept {
    Constants k;
    k.lowBytes = _mm_set1_epi16(0x00FF);
    k.chromaTimes4 = _mm_set1_epi16(kChromaScale << 8);  // byte weights 0 (Y) and 4 (chroma)
    k.chromaBias4 = _mm_set1_epi16(kChromaScale * 128);
    k.dupLow = _mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
    k.dupHigh = _mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
    k.blueRedMul = _mm_set1_epi32(kBlueRedMultipliers);
    if constexpr (formula == Formula::Library) {
        k.greenMul = _mm_set1_epi32(kLibraryGreenMultipliers);
        k.greenFix = _mm_set1_epi32(wordPair(0, -1));
        k.dupGreen = k.dupHigh;
    } else {
        k.greenMul = _mm_set1_epi32(kDecimalGreenMultipliers);
        k.greenFix = _mm_set1_epi16(-1);
        k.dupGreen = k.dupLow;
    }
    for (int block = 0; block < 3; ++block) {
        for (int channel = 0; channel < 3; ++channel) {
            k.select[block][channel] = _mm_load_si128(
                reinterpret_cast<const __m128i*>(kInterleave16.select[block][channel]));
        }
    }
    return k;
}

struct Words {
    __m128i b, g, r;  // one 16-bit channel value per pixel, not yet clamped
};

// 4 pixel pairs (Y0 Cb Y1 Cr each) to 8 pixels of 16-bit B, G, R.
template <Formula formula>
[[QLV_SSSE3, gnu::always_inline]] inline Words pixelWords(__m128i in, const Constants& k) noexcept {
    const __m128i y = _mm_and_si128(in, k.lowBytes);  // Y0, Y1
    // c4 = 4 cb, 4 cr: the unsigned bytes weighted 0 and 4 by one multiply-add, then unbiased
    const __m128i c4 = _mm_sub_epi16(_mm_maddubs_epi16(in, k.chromaTimes4), k.chromaBias4);
    __m128i blueRed = _mm_mulhi_epi16(c4, k.blueRedMul);  // per pair
    __m128i green;
    if constexpr (formula == Formula::Library) {
        const __m128i c = _mm_srai_epi16(c4, 2);
        // offset in the high word of each pair
        green = _mm_sub_epi32(_mm_madd_epi16(c, k.greenMul), _mm_and_si128(c, k.greenFix));
    } else {
        const __m128i negative = _mm_srai_epi16(c4, 15);  // -1 where c < 0: truncate, not floor
        blueRed = _mm_sub_epi16(blueRed, negative);
        // offset in the low word of each pair
        green =
            _mm_madd_epi16(_mm_sub_epi16(_mm_mulhi_epi16(c4, k.greenMul), negative), k.greenFix);
    }
    return {_mm_add_epi16(y, _mm_shuffle_epi8(blueRed, k.dupLow)),
            _mm_add_epi16(y, _mm_shuffle_epi8(green, k.dupGreen)),
            _mm_add_epi16(y, _mm_shuffle_epi8(blueRed, k.dupHigh))};
}

[[QLV_SSSE3, gnu::always_inline]] inline __m128i interleaved(__m128i b, __m128i g, __m128i r,
                                                             const __m128i (&select)[3]) noexcept {
    return _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(b, select[0]), _mm_shuffle_epi8(g, select[1])),
        _mm_shuffle_epi8(r, select[2]));
}

// 8 pairs: 32 source bytes to 48 destination bytes; non-temporal stores when Streaming, dst then
// 16-byte aligned.
template <Formula formula, bool Streaming>
[[QLV_SSSE3, gnu::always_inline]] inline void convertStep(const std::uint8_t* src,
                                                          std::uint8_t* dst,
                                                          const Constants& k) noexcept {
    const Words lo = pixelWords<formula>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), k);
    const Words hi =
        pixelWords<formula>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16)), k);
    const __m128i b = _mm_packus_epi16(lo.b, hi.b);
    const __m128i g = _mm_packus_epi16(lo.g, hi.g);
    const __m128i r = _mm_packus_epi16(lo.r, hi.r);
    for (int block = 0; block < 3; ++block) {
        auto* out = reinterpret_cast<__m128i*>(dst + 16 * block);
        if constexpr (Streaming) {
            _mm_stream_si128(out, interleaved(b, g, r, k.select[block]));
        } else {
            _mm_storeu_si128(out, interleaved(b, g, r, k.select[block]));
        }
    }
}

}  // namespace

template <Formula formula>
[[QLV_SSSE3]] void convertRowSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                                   std::ptrdiff_t next) noexcept {
    constexpr std::size_t kStep = 8;
    if (pairs < kStep) {
        convertRowScalar<formula>(src, dst, pairs, next);
        return;
    }
    const Constants k = makeConstants<formula>();
    std::size_t p = 0;
    for (; p + kStep <= pairs; p += kStep) {
        _mm_prefetch(dst + next + 6 * p, _MM_HINT_T0);  // steps of 48 bytes reach every line
        convertStep<formula, false>(src + 4 * p, dst + 6 * p, k);
    }
    // The rest as one more step ending at the row's end: it rewrites some pixels with the same
    // bytes instead of falling back to slow code.
    if (p < pairs) {
        p = pairs - kStep;
        convertStep<formula, false>(src + 4 * p, dst + 6 * p, k);
    }
}

template <Formula formula>
[[QLV_SSSE3]] void streamBlocksSsse3(const std::uint8_t* src, std::uint8_t* dst,
                                     std::size_t blocks) noexcept {
    constexpr std::size_t kStep = 8;
    static_assert(kBlockPairs % kStep == 0);
    const Constants k = makeConstants<formula>();
    for (std::size_t p = 0; p < blocks * kBlockPairs; p += kStep) {
        convertStep<formula, true>(src + 4 * p, dst + 6 * p, k);
    }
}

template void convertRowSsse3<Formula::Library>(const std::uint8_t*, std::uint8_t*, std::size_t,
                                                std::ptrdiff_t) noexcept;
template void convertRowSsse3<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                      std::size_t, std::ptrdiff_t) noexcept;
template void streamBlocksSsse3<Formula::Library>(const std::uint8_t*, std::uint8_t*,
                                                  std::size_t) noexcept;
template void streamBlocksSsse3<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                        std::size_t) noexcept;

}  // namespace qlv::convert::detail
