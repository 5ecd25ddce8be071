// Layout: 40 blocks of width / 40 pixels (16 at 640 wide) from the left edge: the 32 bits of the
// sequence number, most significant first, then an 8-bit check. A block is Y = 235 for a one and
// Y = 16 for a zero, without colour (Cb = Cr = 128). The check is a CRC-8 of the number's four
// bytes, inverted with 0x55 so that neither a black nor a white band reads as a valid tag.
#include "tags.h"

#include <algorithm>
#include <optional>

#include "virtual_camera/virtual_camera.h"

namespace vcam {
namespace {

constexpr std::uint8_t kZeroLevel = 16;
constexpr std::uint8_t kOneLevel = 235;
constexpr int kThreshold = 128;

std::uint8_t tagCheck(std::uint32_t sequence) {
    std::uint8_t crc = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        crc ^= static_cast<std::uint8_t>(sequence >> shift);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
        }
    }
    return static_cast<std::uint8_t>(crc ^ 0x55);
}

bool geometryHoldsTags(std::size_t bytes, int width, int height) {
    return width >= 2 * kTagBlocks && width % 2 == 0 && height >= 2 * kTagBandRows &&
           bytes >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2;
}

void stampBand(std::span<std::uint8_t> frame, int width, int firstRow, std::uint64_t bits) {
    const auto rowBytes = static_cast<std::size_t>(width) * 2;
    const int blockWidth = width / kTagBlocks;
    std::span<std::uint8_t> row =
        frame.subspan(static_cast<std::size_t>(firstRow) * rowBytes, rowBytes);
    for (int x = 0; x < width; ++x) {
        const int block = x / blockWidth;
        const bool one = block < kTagBlocks && ((bits >> (kTagBlocks - 1 - block)) & 1) != 0;
        row[static_cast<std::size_t>(x) * 2] = one ? kOneLevel : kZeroLevel;
        row[static_cast<std::size_t>(x) * 2 + 1] = 128;
    }
    for (int r = 1; r < kTagBandRows; ++r) {
        const auto offset = static_cast<std::size_t>(firstRow + r) * rowBytes;
        std::copy(row.begin(), row.end(), frame.begin() + static_cast<std::ptrdiff_t>(offset));
    }
}

// Reads the band's middle row at the middle two pixels of each block.
std::optional<std::uint32_t> decodeBand(std::span<const std::uint8_t> frame, int width, int height,
                                        int firstRow) {
    if (!geometryHoldsTags(frame.size(), width, height)) {
        return std::nullopt;
    }
    const auto rowBytes = static_cast<std::size_t>(width) * 2;
    const auto row =
        frame.subspan(static_cast<std::size_t>(firstRow + kTagBandRows / 2) * rowBytes, rowBytes);
    const int blockWidth = width / kTagBlocks;
    std::uint64_t bits = 0;
    for (int block = 0; block < kTagBlocks; ++block) {
        const int middle = block * blockWidth + blockWidth / 2;
        const int level = (row[static_cast<std::size_t>(middle - 1) * 2] +
                           row[static_cast<std::size_t>(middle) * 2]) /
                          2;
        bits = bits << 1 | (level >= kThreshold ? 1u : 0u);
    }
    const auto sequence = static_cast<std::uint32_t>(bits >> kTagCheckBits);
    if (static_cast<std::uint8_t>(bits) != tagCheck(sequence)) {
        return std::nullopt;
    }
    return sequence;
}

}  // namespace

void stampTags(std::span<std::uint8_t> frame, int width, int height, std::uint32_t sequence) {
    if (!geometryHoldsTags(frame.size(), width, height)) {
        return;
    }
    const std::uint64_t bits =
        static_cast<std::uint64_t>(sequence) << kTagCheckBits | tagCheck(sequence);
    stampBand(frame, width, 0, bits);
    stampBand(frame, width, height - kTagBandRows, bits);
}

std::optional<std::uint32_t> decodeTopTag(std::span<const std::uint8_t> yuyv, int width,
                                          int height) {
    return decodeBand(yuyv, width, height, 0);
}

std::optional<std::uint32_t> decodeBottomTag(std::span<const std::uint8_t> yuyv, int width,
                                             int height) {
    return decodeBand(yuyv, width, height, height - kTagBandRows);
}

}  // namespace vcam
