// Reading and writing the picture held in a frame picture block (see capture/frame_picture.h).
#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <span>

namespace viewer {

// How a caller's rows are ordered.
enum class RowOrder { TopDown, BottomUp };

// A view of the block's pixels without copying: rows in memory order (bottom-up, so the image is
// upside down), 24-bit BGR with the padded stride. Null when the header does not describe a 24-bit
// picture that fits the block. Valid while the block is unchanged.
QImage frameImage(std::span<const std::uint8_t> block);

// Stores `image` in the block: header, then bottom-up rows padded to 4 bytes (padding zeroed).
// A picture larger than 1280 x 1024 is scaled down to fit, keeping its aspect ratio. `order` says
// whether the image's first row is the top of the picture or its bottom. Returns false, leaving
// the block untouched, for a null image.
bool storePicture(std::span<std::uint8_t> block, const QImage& image,
                  RowOrder order = RowOrder::TopDown);

// Mid grey (128) over every pixel byte; the header is kept.
void clearPicture(std::span<std::uint8_t> block);

// The print picture of a frame picture block as a packed bitmap (header, then bottom-up rows
// padded to 4 bytes): 640-wide pictures as they are, others 960 rows high from the picture without
// its first and last 32 rows, stretched smoothly when the sizes differ. Empty when the block holds
// no valid picture.
QByteArray makePrintBlock(std::span<const std::uint8_t> block);

}  // namespace viewer
