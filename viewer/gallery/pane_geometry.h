// Which part of a frame picture the picture pane and the print picture show.
#pragma once

#include <QSize>

namespace viewer {

// A band of picture rows, counted from the top of the picture.
struct RowBand {
    int first = 0;
    int count = 0;
    bool operator==(const RowBand&) const = default;
};

// Rows the pane shows of a picture `height` rows high: all of a 480 or 960 row picture; a
// 512 row frame loses 16 rows at top and bottom; anything else (the 1024 row frames) 32.
// A picture too short to lose those rows is shown whole.
RowBand paneRows(int height) noexcept;

// Height of the print picture made from a picture `width` pixels wide: 480 for 640-wide
// pictures, 960 for every other width.
int printHeight(int width) noexcept;

// Rows the print picture is made from: all rows when the print picture is 480 high, else the
// picture without 32 rows at top and bottom (shown whole when too short for that).
RowBand printRows(int width, int height) noexcept;

// True when a 24-bit bottom-up picture of this size fits the frame picture block.
bool fitsFramePicture(int width, int height) noexcept;

// The size a picture is stored at: itself when it fits 1280 x 1024, else scaled down to fit,
// keeping its aspect ratio (each side at least 1 pixel).
QSize storedPictureSize(QSize picture) noexcept;

}  // namespace viewer
