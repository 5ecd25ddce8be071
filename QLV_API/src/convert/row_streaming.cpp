// Streaming row converters: the vector paths' block streamers for the whole lines in the middle
// of a row, and their regular converters, through a small buffer, for the row's two ends.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "convert/row_kernels.h"

namespace qlv::convert::detail {

namespace {

using BlockStreamer = void (*)(const std::uint8_t* src, std::uint8_t* dst,
                               std::size_t blocks) noexcept;

// Copies `count` bytes: the whole lines of the destination with non-temporal stores, the partial
// lines at either end with regular ones.
[[gnu::target("sse2")]] void writeEnd(std::uint8_t* dst, const std::uint8_t* from,
                                      std::size_t count) noexcept {
    const auto at = reinterpret_cast<std::uintptr_t>(dst);
    const std::size_t before =
        std::min(count, (kLineBytes - at % kLineBytes) % kLineBytes);  // bytes before a boundary
    std::memcpy(dst, from, before);
    std::size_t i = before;
    for (; i + kLineBytes <= count; i += kLineBytes) {
        for (std::size_t part = 0; part < kLineBytes; part += 16) {
            _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i + part),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + part)));
        }
    }
    std::memcpy(dst + i, from + i, count - i);
}

// The head and the tail are converted a block at a time into `buffer` and copied out by
// writeEnd, so that their whole lines are streamed too: the regular converters cannot shift
// their output onto line boundaries.
template <RowConverter convertRow, BlockStreamer streamBlocks>
void convertRowStreaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs) noexcept {
    const StreamingSplit split = splitForStreaming(reinterpret_cast<std::uintptr_t>(dst), pairs);
    if (split.blocks == 0) {
        convertRow(src, dst, pairs, 0);
        return;
    }
    constexpr std::size_t kBlockBytes = 6 * kBlockPairs;
    alignas(kLineBytes) std::uint8_t buffer[kBlockBytes];
    if (split.head != 0) {
        convertRow(src, buffer, kBlockPairs, 0);  // the row holds a block after the head
        writeEnd(dst, buffer, 6 * split.head);
    }
    streamBlocks(src + 4 * split.head, dst + 6 * split.head, split.blocks);
    const std::size_t tail = pairs - split.head - split.blocks * kBlockPairs;
    if (tail != 0) {
        const std::size_t last = pairs - kBlockPairs;  // the row's last block of pairs
        convertRow(src + 4 * last, buffer, kBlockPairs, 0);
        writeEnd(dst + 6 * (pairs - tail), buffer + kBlockBytes - 6 * tail, 6 * tail);
    }
}

}  // namespace

template <Formula formula>
void convertRowSsse3Streaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                              std::ptrdiff_t /*next*/) noexcept {
    convertRowStreaming<convertRowSsse3<formula>, streamBlocksSsse3<formula>>(src, dst, pairs);
}

template <Formula formula>
void convertRowAvx2Streaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                             std::ptrdiff_t /*next*/) noexcept {
    convertRowStreaming<convertRowAvx2<formula>, streamBlocksAvx2<formula>>(src, dst, pairs);
}

template <Formula formula>
void convertRowAvx512Streaming(const std::uint8_t* src, std::uint8_t* dst, std::size_t pairs,
                               std::ptrdiff_t /*next*/) noexcept {
    convertRowStreaming<convertRowAvx512<formula>, streamBlocksAvx512<formula>>(src, dst, pairs);
}

#define QLV_INSTANTIATE_STREAMING(name)                                                         \
    template void name<Formula::Library>(const std::uint8_t*, std::uint8_t*, std::size_t,       \
                                         std::ptrdiff_t) noexcept;                              \
    template void name<Formula::ViewerDecimal>(const std::uint8_t*, std::uint8_t*, std::size_t, \
                                               std::ptrdiff_t) noexcept;

QLV_INSTANTIATE_STREAMING(convertRowSsse3Streaming)
QLV_INSTANTIATE_STREAMING(convertRowAvx2Streaming)
QLV_INSTANTIATE_STREAMING(convertRowAvx512Streaming)

#undef QLV_INSTANTIATE_STREAMING

}  // namespace qlv::convert::detail
