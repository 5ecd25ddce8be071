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
#endif

}  // namespace qlv::convert::detail
