// The frame picture: how every part of the viewer holds one picture in memory.
//
// One block: a 40-byte BITMAPINFOHEADER followed directly by the pixel rows, 24 bits per pixel
// (blue, green, red), rows bottom-up, each row padded to a multiple of 4 bytes as the header
// implies. The block has room for 1280 x 1024 pixels. Camera frames (640 or 1280 wide) have no
// padding, so their rows are exactly 3 x width bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace viewer {

// BITMAPINFOHEADER, little-endian as stored in the block and in BMP files.
struct BitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

inline constexpr std::size_t kFrameHeaderBytes = 40;
inline constexpr int kFrameMaxWidth = 1280;
inline constexpr int kFrameMaxHeight = 1024;
inline constexpr std::size_t kFramePixelBytes = 3932160;  // 1280 x 1024 x 3
inline constexpr std::size_t kFramePictureBytes = kFrameHeaderBytes + kFramePixelBytes;

// Bytes per row of a 24-bit picture: 3 per pixel, padded to a multiple of 4.
constexpr std::size_t rowStride(int width) noexcept {
    return (3 * static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
}

// The header of an uncompressed 24-bit picture: image size = width x height x 3, as the viewer
// has always written it (the padding is not counted).
constexpr BitmapInfoHeader pictureHeader(int width, int height) noexcept {
    BitmapInfoHeader header;
    header.width = width;
    header.height = height;
    header.sizeImage = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 3;
    return header;
}

// Reads the header at the start of a block of at least kFrameHeaderBytes.
inline BitmapInfoHeader readHeader(std::span<const std::uint8_t> block) noexcept {
    BitmapInfoHeader header;
    std::memcpy(&header, block.data(), sizeof header);
    return header;
}

// Writes the header at the start of a block of at least kFrameHeaderBytes.
inline void writeHeader(std::span<std::uint8_t> block, const BitmapInfoHeader& header) noexcept {
    std::memcpy(block.data(), &header, sizeof header);
}

// The pixel rows after the header.
inline std::span<const std::uint8_t> pixelsOf(std::span<const std::uint8_t> block) noexcept {
    return block.subspan(kFrameHeaderBytes);
}
inline std::span<std::uint8_t> pixelsOf(std::span<std::uint8_t> block) noexcept {
    return block.subspan(kFrameHeaderBytes);
}

}  // namespace viewer
