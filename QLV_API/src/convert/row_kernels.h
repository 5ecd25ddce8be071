// Row converters behind convertFrame. Each converts `pairs` pixel pairs (4 source bytes in,
// 6 destination bytes out) and writes nothing beyond them; source and destination never overlap.
// The vector ones use instructions that only exist on some CPUs: call them only for a path that
// pathSupported() reports.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "convert/yuyv_to_bgr.h"

namespace qlv::convert::detail {

// Two 16-bit words, low one first, as the dword a set1_epi32 broadcast repeats.
consteval int wordPair(int low, int high) {
    return static_cast<int>((static_cast<unsigned>(high) << 16) |
                            (static_cast<unsigned>(low) & 0xFFFFu));
}

// pshufb masks that spread the B, G and R bytes of 16 pixels over 48 output bytes: output byte o
// takes channel o % 3 of pixel o / 3; 0x80 yields zero, to be OR-ed with the other channels.
struct InterleaveMasks {
    alignas(16) std::uint8_t select[3][3][16];  // [output block][channel][byte]
};

consteval InterleaveMasks makeInterleaveMasks() {
    InterleaveMasks m{};
    for (int block = 0; block < 3; ++block) {
        for (int channel = 0; channel < 3; ++channel) {
            for (int i = 0; i < 16; ++i) {
                const int o = 16 * block + i;
                m.select[block][channel][i] =
                    static_cast<std::uint8_t>(o % 3 == channel ? o / 3 : 0x80);
            }
        }
    }
    return m;
}

inline constexpr InterleaveMasks kInterleave16 = makeInterleaveMasks();

// The chroma offsets on 16-bit lanes, from c4 = 4 * (chroma - 128). The signed high half of a
// 16 x 16 bit product, mulhi(c4, K) = floor(c * K / 16384), is itself a floor; scaling c by 4
// lets a multiplier below 32768 stand for factors up to 2, so no term needs a whole multiple of c
// added, and one scaled chroma word serves every term. Each K is round(factor * 16384):
//   blue   floor(116064 c / 65536) and the decimal floor(17710 c / 10000): mulhi(c4, 29016)
//   red    floor(91894 c / 65536)  and the decimal floor(14022 c / 10000): mulhi(c4, 22974)
//   decimal green terms  floor(3456 c / 10000): mulhi(c4, 5662); floor(7145 c / 10000): mulhi(c4,
//   11706)
// The library's blue and red sums happen to floor alike at every c, so both formulas share those
// multipliers. The decimal tables truncate toward zero instead: F * c is a multiple of 10000 only
// at c = 0 for these four F, so trunc(F * c / 10000) = floor(F * c / 10000) + 1 for negative c,
// which the vector paths add by subtracting c4's sign word (0 or -1, an arithmetic shift by 15).
// The library's green is one floor of a sum, not a sum of floors: it keeps its multiply-add on c.
inline constexpr int kChromaScale = 4;
inline constexpr int kCbToBMultiplier = 29016;
inline constexpr int kCrToRMultiplier = 22974;
inline constexpr int kCbToGMultiplier = 5662;
inline constexpr int kCrToGMultiplier = 11706;

constexpr int floorDiv(int n, int d) {
    return n / d - (n % d != 0 && (n < 0) != (d < 0) ? 1 : 0);
}

// Checks mulhi(c4, multiplier), plus 1 for negative c when `truncated`, against every entry of a
// table after dividing it by `unit` (rounding down), at compile time.
consteval bool chromaTermExact(const std::array<std::int32_t, 256>& table, int unit, int multiplier,
                               bool truncated) {
    for (int c = -128; c < 128; ++c) {
        const int term = floorDiv(kChromaScale * c * multiplier, 65536) + (truncated && c < 0);
        if (floorDiv(table[static_cast<std::size_t>(c + 128)], unit) != term) {
            return false;
        }
    }
    return true;
}

static_assert(chromaTermExact(buildColourTables().cbToB, 65536, kCbToBMultiplier, false));
static_assert(chromaTermExact(buildColourTables().crToR, 65536, kCrToRMultiplier, false));
static_assert(chromaTermExact(buildDecimalTables().cbToB, 1, kCbToBMultiplier, true));
static_assert(chromaTermExact(buildDecimalTables().crToR, 1, kCrToRMultiplier, true));
static_assert(chromaTermExact(buildDecimalTables().cbToG, 1, kCbToGMultiplier, true));
static_assert(chromaTermExact(buildDecimalTables().crToG, 1, kCrToGMultiplier, true));

// Cb's multiplier in the low word of each pair, Cr's in the high one, as the vector paths load
// the chroma bytes.
inline constexpr int kBlueRedMultipliers = wordPair(kCbToBMultiplier, kCrToRMultiplier);
inline constexpr int kDecimalGreenMultipliers = wordPair(kCbToGMultiplier, kCrToGMultiplier);
// The library's green: -22649 cb + 18711 cr, less 65536 cr, on unscaled c (see row_ssse3.cpp).
inline constexpr int kLibraryGreenMultipliers = wordPair(-22649, 18711);

// `next` is how far from dst the caller writes next, at the same offsets: the next row's
// destination. The regular vector converters fetch it into the cache as they write, so that the
// next row's stores find their lines there instead of each waiting for memory; 0 when nothing
// follows. Streaming converters ignore it: lines fetched and then streamed cost an eviction each.
using RowConverter = void (*)(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                              std::ptrdiff_t next) noexcept;

// Every converter exists for each Formula; each file instantiates its own for both.
template <Formula formula>
void convertRowScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                      std::ptrdiff_t next) noexcept;

#if QLV_CONVERT_X86
// The instruction sets of the vector converters. Declarations carry them as well as definitions:
// a template's explicit instantiation takes its attributes from the first declaration.
#define QLV_SSSE3 gnu::target("ssse3")
#define QLV_AVX2 gnu::target("avx2")
#define QLV_AVX512 gnu::target("avx512f,avx512bw,avx512vbmi")

template <Formula formula>
[[QLV_SSSE3]] void convertRowSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                                   std::ptrdiff_t next) noexcept;
template <Formula formula>
[[QLV_AVX2]] void convertRowAvx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                                 std::ptrdiff_t next) noexcept;
template <Formula formula>
[[QLV_AVX512]] void convertRowAvx512(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                                     std::ptrdiff_t next) noexcept;

// Streaming forms: the same bytes, with every whole 64-byte line of a row written by
// non-temporal stores and only the partial lines at its two ends by regular ones. (One whole
// line per row written regularly before the streamed ones was measured to halve the speed.)
// The stores are weakly ordered: the caller fences once the frame is done.
template <Formula formula>
void convertRowSsse3Streaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                              std::ptrdiff_t next) noexcept;
template <Formula formula>
void convertRowAvx2Streaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                             std::ptrdiff_t next) noexcept;
template <Formula formula>
void convertRowAvx512Streaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                               std::ptrdiff_t next) noexcept;

// The vector paths' part of those: `blocks` blocks of kBlockPairs pairs, dst 64-byte aligned,
// all stores non-temporal.
template <Formula formula>
[[QLV_SSSE3]] void streamBlocksSsse3(const std::uint8_t* src, std::uint8_t* dst,
                                     std::size_t blocks) noexcept;
template <Formula formula>
[[QLV_AVX2]] void streamBlocksAvx2(const std::uint8_t* src, std::uint8_t* dst,
                                   std::size_t blocks) noexcept;
template <Formula formula>
[[QLV_AVX512]] void streamBlocksAvx512(const std::uint8_t* src, std::uint8_t* dst,
                                       std::size_t blocks) noexcept;
#endif

// 32 pairs make 192 bytes, three whole lines: once a block starts on a line, all that follow do.
inline constexpr std::size_t kLineBytes = 64;
inline constexpr std::size_t kBlockPairs = 32;

// How a streaming row is cut: `head` pairs, then `blocks` blocks starting on a line boundary,
// then the rest.
struct StreamingSplit {
    std::size_t head = 0;
    std::size_t blocks = 0;
    bool operator==(const StreamingSplit&) const = default;
};

// Pair p starts at dst + 6p. For an even address the first pair on a line boundary is
// n = 11 * (gap / 2) modulo 32, gap being the bytes to the boundary: 3 * 11 = 33 leaves 1 modulo
// 32, so 6n = gap modulo 64. An odd address never meets a boundary at a pair start: such rows get
// no blocks, and so do rows too short for one.
constexpr StreamingSplit splitForStreaming(std::uintptr_t dst, std::size_t pairs) noexcept {
    if (dst % 2 != 0) {
        return {};
    }
    const std::size_t gap = (kLineBytes - dst % kLineBytes) % kLineBytes;
    const std::size_t head = 11 * (gap / 2) % kBlockPairs;
    if (pairs < head + kBlockPairs) {
        return {};
    }
    return {head, (pairs - head) / kBlockPairs};
}

}  // namespace qlv::convert::detail
