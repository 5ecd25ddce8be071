#include "gallery/picture_store.h"

#include "capture/frame_picture.h"
#include "gallery/pane_geometry.h"

#include <algorithm>
#include <cstring>

namespace viewer {

namespace {

// Copies `image` (24-bit BGR, already in final size) after a header into `out`, bottom-up rows
// with zeroed padding. `out` must hold kFrameHeaderBytes + rowStride(width) x height bytes.
void writePicture(std::span<std::uint8_t> out, const QImage& image, RowOrder order) {
    const int width = image.width();
    const int height = image.height();
    writeHeader(out, pictureHeader(width, height));
    const std::size_t stride = rowStride(width);
    const std::size_t used = 3 * static_cast<std::size_t>(width);
    std::uint8_t* row = out.data() + kFrameHeaderBytes;
    for (int i = 0; i < height; ++i, row += stride) {
        const int source = order == RowOrder::BottomUp ? i : height - 1 - i;
        std::memcpy(row, image.constScanLine(source), used);
        std::memset(row + used, 0, stride - used);
    }
}

}  // namespace

QImage frameImage(std::span<const std::uint8_t> block) {
    if (block.size() < kFrameHeaderBytes) {
        return {};
    }
    const BitmapInfoHeader header = readHeader(block);
    if (header.size != kFrameHeaderBytes || header.bitCount != 24 || header.compression != 0 ||
        !fitsFramePicture(header.width, header.height)) {
        return {};
    }
    const std::size_t stride = rowStride(header.width);
    if (block.size() - kFrameHeaderBytes < stride * static_cast<std::size_t>(header.height)) {
        return {};
    }
    return QImage(block.data() + kFrameHeaderBytes, header.width, header.height,
                  static_cast<qsizetype>(stride), QImage::Format_BGR888);
}

bool storePicture(std::span<std::uint8_t> block, const QImage& image, RowOrder order) {
    if (image.isNull() || block.size() < kFramePictureBytes) {
        return false;
    }
    QImage picture = image.convertToFormat(QImage::Format_BGR888);
    const QSize size = storedPictureSize(picture.size());
    if (size != picture.size()) {
        // Scaling keeps the row order, so `order` still describes the result.
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    writePicture(block, picture, order);
    return true;
}

void clearPicture(std::span<std::uint8_t> block) {
    auto pixels = pixelsOf(block);
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{128});
}

QByteArray makePrintBlock(std::span<const std::uint8_t> block) {
    const QImage upsideDown = frameImage(block);
    if (upsideDown.isNull()) {
        return {};
    }
    const int width = upsideDown.width();
    const int height = upsideDown.height();
    const int printRowsHigh = printHeight(width);
    const RowBand band = printRows(width, height);
    // The band counts rows from the top; the image holds them bottom-up.
    QImage source = upsideDown.copy(0, height - band.first - band.count, width, band.count);
    if (band.count != printRowsHigh) {
        source =
            source.scaled(width, printRowsHigh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QByteArray out(
        static_cast<qsizetype>(kFrameHeaderBytes +
                               rowStride(width) * static_cast<std::size_t>(printRowsHigh)),
        Qt::Uninitialized);
    writePicture(std::span(reinterpret_cast<std::uint8_t*>(out.data()),
                           static_cast<std::size_t>(out.size())),
                 source, RowOrder::BottomUp);
    return out;
}

}  // namespace viewer
