// Row converters behind convertFrame. Each converts `pairs` pixel pairs (4 source bytes in,
// 6 destination bytes out) and writes nothing beyond them; source and destination never overlap.
// The vector ones use instructions that only exist on some CPUs: call them only for a path that
// pathSupported() reports.
#pragma once

#include <cstddef>
#include <cstdint>

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

using RowConverter = void (*)(const std::uint8_t* src, std::uint8_t* dst,
                              std::size_t pairs) noexcept;

void convertRowScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs) noexcept;

#if QLV_CONVERT_X86
void convertRowSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs) noexcept;
void convertRowAvx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs) noexcept;
void convertRowAvx512(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs) noexcept;

// The same bytes, written with non-temporal stores wherever whole aligned vectors fit and with
// the converters above around them. The stores are weakly ordered: the caller fences once the
// frame is done.
void convertRowSsse3Streaming(const std::uint8_t* src, std::uint8_t* dst,
                              std::size_t pairs) noexcept;
void convertRowAvx2Streaming(const std::uint8_t* src, std::uint8_t* dst,
                             std::size_t pairs) noexcept;
void convertRowAvx512Streaming(const std::uint8_t* src, std::uint8_t* dst,
                               std::size_t pairs) noexcept;
#endif

// How a streaming row is cut: `head` pairs through the regular converter, then `steps` vector
// steps of `stepPairs` pairs with aligned non-temporal stores, then the rest regularly.
struct StreamingSplit {
    std::size_t head = 0;
    std::size_t steps = 0;
};

// A step writes 6 * stepPairs bytes, a whole number of `align`-byte vectors (align 16, 32 or
// 64), so once a step starts on a vector boundary all that follow do too. Pair p starts at
// dst + 6p; for an even address the first pair on a boundary is n = 11 * (gap / 2) modulo
// align / 2 (3 * 11 = 33 leaves 1 modulo 8, 16 and 32, so this solves 6n = gap modulo align).
// An odd address never meets a boundary at a pair start: such rows get no steps, and so do rows
// too short for one; the caller's regular tail then converts the whole row.
// Converters that finish a row with an overlapping step need at least stepPairs pairs
// (stepPairs <= align / 2) and pass wholeEnds: a head, if any, then grows by align / 2 pairs
// (3 * align bytes, so still on a boundary) and a tail by one step.
constexpr StreamingSplit splitForStreaming(std::uintptr_t dst, std::size_t pairs,
                                           std::size_t stepPairs, std::size_t align,
                                           bool wholeEnds) noexcept {
    if (dst % 2 != 0) {
        return {};
    }
    const std::size_t gap = (align - dst % align) % align;
    std::size_t head = 11 * (gap / 2) % (align / 2);
    if (wholeEnds && head != 0) {
        head += align / 2;
    }
    if (pairs < head) {
        return {};
    }
    std::size_t steps = (pairs - head) / stepPairs;
    const std::size_t tail = (pairs - head) % stepPairs;
    if (wholeEnds && tail != 0 && steps != 0) {
        --steps;
    }
    if (steps == 0) {
        return {};
    }
    return {head, steps};
}

}  // namespace qlv::convert::detail
