#include "capture/capture_picture.h"

#include <cstring>

#include "capture/frame_picture.h"

namespace viewer {

namespace {

constexpr int kNarrowWidth = 640;
constexpr int kNarrowCaptureHeight = 480;
constexpr int kWideCaptureHeight = 960;
constexpr int kWideRowsDropped = 32;  // at the top and at the bottom

// The header when it describes an uncompressed 24-bit bottom-up picture whose rows all lie
// inside the block.
std::optional<BitmapInfoHeader> usableHeader(std::span<const std::uint8_t> block) {
    if (block.size() < kFrameHeaderBytes) {
        return std::nullopt;
    }
    const BitmapInfoHeader header = readHeader(block);
    if (header.bitCount != 24 || header.compression != 0 || header.width <= 0 ||
        header.height <= 0) {
        return std::nullopt;
    }
    // Divided, not multiplied, so that a corrupt width or height cannot wrap around.
    const std::size_t available = block.size() - kFrameHeaderBytes;
    const std::size_t stride = rowStride(header.width);
    if (stride > available || static_cast<std::size_t>(header.height) > available / stride) {
        return std::nullopt;
    }
    return header;
}

// The rows scaled to `height` rows of the same width. They stay bottom-up: scaling does not care
// which way up they are.
QImage scaledRows(const BottomUpRows& rows, int height) {
    QImage source(rows.width, rows.height, QImage::Format_BGR888);
    if (source.isNull()) {
        return {};
    }
    const auto rowBytes = 3 * static_cast<std::size_t>(rows.width);
    for (int y = 0; y < rows.height; ++y) {
        std::memcpy(source.scanLine(y), rows.row(y), rowBytes);
    }
    return source.scaled(rows.width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_BGR888);
}

}  // namespace

std::optional<CapturePicture> CapturePicture::fromFrame(
    std::span<const std::uint8_t> framePicture) {
    const auto header = usableHeader(framePicture);
    if (!header) {
        return std::nullopt;
    }
    const bool narrow = header->width == kNarrowWidth;
    const int captureHeight = narrow ? kNarrowCaptureHeight : kWideCaptureHeight;
    // A 640-wide frame keeps all its rows (scaled when there are not 480 of them), so the capture
    // shows the same picture as the pane and its print.
    const int first = narrow ? 0 : kWideRowsDropped;
    const int count = narrow ? header->height : header->height - 2 * kWideRowsDropped;
    if (count <= 0) {
        return std::nullopt;
    }

    CapturePicture picture;
    const std::size_t stride = rowStride(header->width);
    picture.rows_ = {pixelsOf(framePicture).data() + stride * static_cast<std::size_t>(first),
                     stride, header->width, count};
    if (count != captureHeight) {
        picture.scaled_ = scaledRows(picture.rows_, captureHeight);
        if (picture.scaled_.isNull()) {
            return std::nullopt;
        }
        const QImage& scaled = picture.scaled_;
        picture.rows_ = {scaled.constBits(), static_cast<std::size_t>(scaled.bytesPerLine()),
                         scaled.width(), scaled.height()};
    }
    return picture;
}

}  // namespace viewer
