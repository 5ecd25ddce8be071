// AVX-512 row converter, 32 pixel pairs per step, needing AVX-512BW and AVX-512VBMI. Same
// arithmetic as the SSSE3 one, for both formulas (see there for why it is exact), on four 128-bit
// lanes; byte permutes across the whole register (vpermt2b) interleave the channels, and masked
// loads and stores finish a row without reading or writing past its end. Streamed, a step is three
// aligned non-temporal stores of whole cache lines.
#include <immintrin.h>

#include "convert/row_kernels.h"

namespace qlv::convert::detail {

namespace {

// Packing two vectors of 32 pixels lane by lane leaves, in 128-bit lane L, pixels 8L..8L+7 of
// the first vector and then those of the second. Where pixel p (0-63) of a step ended up:
consteval int packedPosition(int pixel) {
    const int half = pixel / 32;
    const int inHalf = pixel % 32;
    return 16 * (inHalf / 8) + 8 * half + inHalf % 8;
}

// vpermt2b tables indexing two 64-byte sources (0-63 the first, 64-127 the second). Output byte
// o of a step's 192 takes channel o % 3 of pixel o / 3: first blue or green is picked, then red
// is merged in, keeping the other bytes in place.
struct PermuteIndices {
    alignas(64) std::uint8_t blueGreen[3][64];
    alignas(64) std::uint8_t withRed[3][64];
};

consteval PermuteIndices makePermuteIndices() {
    PermuteIndices t{};
    for (int block = 0; block < 3; ++block) {
        for (int i = 0; i < 64; ++i) {
            const int o = 64 * block + i;
            const int at = packedPosition(o / 3);
            const int channel = o % 3;
            t.blueGreen[block][i] = static_cast<std::uint8_t>(channel == 1 ? 64 + at : at);
            t.withRed[block][i] = static_cast<std::uint8_t>(channel == 2 ? 64 + at : i);
        }
    }
    return t;
}

constexpr PermuteIndices kPermute = makePermuteIndices();

struct Constants {
    __m512i lowBytes, chromaTimes4, chromaBias4, dupLow, dupHigh;
    __m512i blueRedMul, greenMul, greenFix, dupGreen;  // as in the SSSE3 converter
    __m512i blueGreen[3], withRed[3];
};

template <Formula formula>
[[QLV_AVX512]] inline Constants makeConstants() noexcept {
    Constants k;
    k.lowBytes = _mm512_set1_epi16(0x00FF);
    k.chromaTimes4 = _mm512_set1_epi16(kChromaScale << 8);
    k.chromaBias4 = _mm512_set1_epi16(kChromaScale * 128);
    // Bytes 0 1 0 1, 4 5 4 5, ... and 2 3 2 3, 6 7 6 7, ... in every 128-bit lane.
    k.dupLow = _mm512_set4_epi32(0x0D0C0D0C, 0x09080908, 0x05040504, 0x01000100);
    k.dupHigh = _mm512_set4_epi32(0x0F0E0F0E, 0x0B0A0B0A, 0x07060706, 0x03020302);
    k.blueRedMul = _mm512_set1_epi32(kBlueRedMultipliers);
    if constexpr (formula == Formula::Library) {
        k.greenMul = _mm512_set1_epi32(kLibraryGreenMultipliers);
        k.greenFix = _mm512_set1_epi32(wordPair(0, -1));
        k.dupGreen = k.dupHigh;
    } else {
        k.greenMul = _mm512_set1_epi32(kDecimalGreenMultipliers);
        k.greenFix = _mm512_set1_epi16(-1);
        k.dupGreen = k.dupLow;
    }
    for (int block = 0; block < 3; ++block) {
        k.blueGreen[block] = _mm512_load_si512(kPermute.blueGreen[block]);
        k.withRed[block] = _mm512_load_si512(kPermute.withRed[block]);
    }
    return k;
}

struct Words {
    __m512i b, g, r;  // one 16-bit channel value per pixel, not yet clamped
};

// 16 pixel pairs (Y0 Cb Y1 Cr each) to 32 pixels of 16-bit B, G, R.
template <Formula formula>
[[QLV_AVX512, gnu::always_inline]] inline Words pixelWords(__m512i in,
                                                           const Constants& k) noexcept {
    const __m512i y = _mm512_and_si512(in, k.lowBytes);
    const __m512i c4 = _mm512_sub_epi16(_mm512_maddubs_epi16(in, k.chromaTimes4), k.chromaBias4);
    __m512i blueRed = _mm512_mulhi_epi16(c4, k.blueRedMul);
    __m512i green;
    if constexpr (formula == Formula::Library) {
        const __m512i c = _mm512_srai_epi16(c4, 2);
        green = _mm512_sub_epi32(_mm512_madd_epi16(c, k.greenMul), _mm512_and_si512(c, k.greenFix));
    } else {
        const __m512i negative = _mm512_srai_epi16(c4, 15);
        blueRed = _mm512_sub_epi16(blueRed, negative);
        green = _mm512_madd_epi16(_mm512_sub_epi16(_mm512_mulhi_epi16(c4, k.greenMul), negative),
                                  k.greenFix);
    }
    return {_mm512_add_epi16(y, _mm512_shuffle_epi8(blueRed, k.dupLow)),
            _mm512_add_epi16(y, _mm512_shuffle_epi8(green, k.dupGreen)),
            _mm512_add_epi16(y, _mm512_shuffle_epi8(blueRed, k.dupHigh))};
}

struct Output {
    __m512i bytes[3];  // 192 bytes: BGR of 64 pixels
};

// 32 pairs, given as two registers of 64 source bytes, to 192 destination bytes.
template <Formula formula>
[[QLV_AVX512, gnu::always_inline]] inline Output convertStep(__m512i first, __m512i second,
                                                             const Constants& k) noexcept {
    const Words lo = pixelWords<formula>(first, k);
    const Words hi = pixelWords<formula>(second, k);
    const __m512i b = _mm512_packus_epi16(lo.b, hi.b);
    const __m512i g = _mm512_packus_epi16(lo.g, hi.g);
    const __m512i r = _mm512_packus_epi16(lo.r, hi.r);
    Output out;
    for (int block = 0; block < 3; ++block) {
        const __m512i blueGreen = _mm512_permutex2var_epi8(b, k.blueGreen[block], g);
        out.bytes[block] = _mm512_permutex2var_epi8(blueGreen, k.withRed[block], r);
    }
    return out;
}

// Mask of the first n bytes of a 64-byte register.
inline __mmask64 firstBytes(std::size_t n) noexcept {
    return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
}

}  // namespace

template <Formula formula>
[[QLV_AVX512]] void convertRowAvx512(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                                     std::ptrdiff_t next) noexcept {
    constexpr std::size_t kStep = 32;
    const Constants k = makeConstants<formula>();
    std::size_t p = 0;
    for (; p + kStep <= pairs; p += kStep) {
        const std::uint8_t* in = src + 4 * p;
        const Output out =
            convertStep<formula>(_mm512_loadu_si512(in), _mm512_loadu_si512(in + 64), k);
        for (int block = 0; block < 3; ++block) {
            _mm_prefetch(dst + next + 6 * p + 64 * block, _MM_HINT_T0);
            _mm512_storeu_si512(dst + 6 * p + 64 * block, out.bytes[block]);
        }
    }
    if (p == pairs) {
        return;
    }
    // Fewer than 32 pairs left: bytes outside the row are neither loaded nor stored (masked-off
    // bytes cannot fault), and registers wholly past the end are not addressed at all.
    const std::uint8_t* in = src + 4 * p;
    std::uint8_t* outBytes = dst + 6 * p;
    const std::size_t inSize = 4 * (pairs - p);
    const std::size_t outSize = 6 * (pairs - p);
    const __m512i first = _mm512_maskz_loadu_epi8(firstBytes(inSize), in);
    const __m512i second = inSize > 64 ? _mm512_maskz_loadu_epi8(firstBytes(inSize - 64), in + 64)
                                       : _mm512_setzero_si512();
    const Output out = convertStep<formula>(first, second, k);
    for (std::size_t block = 0; block < 3 && 64 * block < outSize; ++block) {
        _mm512_mask_storeu_epi8(outBytes + 64 * block, firstBytes(outSize - 64 * block),
                                out.bytes[block]);
    }
}

template <Formula formula>
[[QLV_AVX512]] void streamBlocksAvx512(const std::uint8_t* src, std::uint8_t* dst,
                                       std::size_t blocks) noexcept {
    static_assert(kBlockPairs == 32);  // one step
    const Constants k = makeConstants<formula>();
    for (std::size_t i = 0; i < blocks; ++i, src += 128, dst += 192) {
        const Output out =
            convertStep<formula>(_mm512_loadu_si512(src), _mm512_loadu_si512(src + 64), k);
        auto* lines = reinterpret_cast<__m512i*>(dst);
        for (int block = 0; block < 3; ++block) {
            _mm512_stream_si512(lines + block, out.bytes[block]);
        }
    }
}

template void convertRowAvx512<Formula::Library>(const std::uint8_t*, std::uint8_t*, std::size_t,
                                                 std::ptrdiff_t) noexcept;
template void convertRowAvx512<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                       std::size_t, std::ptrdiff_t) noexcept;
template void streamBlocksAvx512<Formula::Library>(const std::uint8_t*, std::uint8_t*,
                                                   std::size_t) noexcept;
template void streamBlocksAvx512<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*,
                                                         std::size_t) noexcept;

}  // namespace qlv::convert::detail
