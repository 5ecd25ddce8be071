#include "gallery/pane_geometry.h"

#include "capture/frame_picture.h"

namespace viewer {

namespace {

// Drops `margin` rows at top and bottom unless that would leave nothing.
RowBand withoutMargins(int height, int margin) noexcept {
    if (height <= 2 * margin) {
        return {0, height};
    }
    return {margin, height - 2 * margin};
}

}  // namespace

RowBand paneRows(int height) noexcept {
    if (height == 480 || height == 960) {
        return {0, height};
    }
    return withoutMargins(height, height == 512 ? 16 : 32);
}

int printHeight(int width) noexcept {
    return width == 640 ? 480 : 960;
}

RowBand printRows(int width, int height) noexcept {
    if (printHeight(width) == 480) {
        return {0, height};
    }
    return withoutMargins(height, 32);
}

bool fitsFramePicture(int width, int height) noexcept {
    if (width <= 0 || height <= 0 || width > kFrameMaxWidth || height > kFrameMaxHeight) {
        return false;
    }
    return rowStride(width) * static_cast<std::size_t>(height) <= kFramePixelBytes;
}

QSize storedPictureSize(QSize picture) noexcept {
    const QSize limit(kFrameMaxWidth, kFrameMaxHeight);
    if (picture.width() <= limit.width() && picture.height() <= limit.height()) {
        return picture;
    }
    return picture.scaled(limit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

}  // namespace viewer
