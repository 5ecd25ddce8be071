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

// The decimal tables on 16-bit lanes. With a = |c| <= 128, each entry trunc(F * c / 10000) equals
// sign(c) * (floor(a * M / 65536) + k * a), F / 10000 being k + M / 65536 closely enough that no
// a up to 128 tells them apart: an unsigned high-half multiply, an add for k = 1, and a sign
// copy. The vector paths add a to blue's and red's terms (k = 1) and nothing to green's (k = 0).
inline constexpr int kCbToBMultiplier = 50525;
inline constexpr int kCrToRMultiplier = 26361;
inline constexpr int kCbToGMultiplier = 22647;
inline constexpr int kCrToGMultiplier = 46850;

// Checks the identity above against every entry of a table, at compile time.
consteval bool decimalTermExact(const std::array<std::int32_t, 256>& table, int multiplier,
                                int whole) {
    for (int c = -128; c < 128; ++c) {
        const int a = c < 0 ? -c : c;
        const int magnitude = (a * multiplier >> 16) + whole * a;
        if (table[static_cast<std::size_t>(c + 128)] != (c < 0 ? -magnitude : magnitude)) {
            return false;
        }
    }
    return true;
}

static_assert(decimalTermExact(buildDecimalTables().cbToB, kCbToBMultiplier, 1));
static_assert(decimalTermExact(buildDecimalTables().crToR, kCrToRMultiplier, 1));
static_assert(decimalTermExact(buildDecimalTables().cbToG, kCbToGMultiplier, 0));
static_assert(decimalTermExact(buildDecimalTables().crToG, kCrToGMultiplier, 0));

// Cb's multiplier in the low word of each pair, Cr's in the high one, as the vector paths load
// the chroma bytes.
inline constexpr int kDecimalBlueRed = wordPair(kCbToBMultiplier, kCrToRMultiplier);
inline constexpr int kDecimalGreen = wordPair(kCbToGMultiplier, kCrToGMultiplier);

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
