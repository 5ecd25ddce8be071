// The capture picture: the part of a frame picture that a saved file holds.
//
// Width = frame width; height = 480 for a 640-wide frame, 960 for any other width.
// - 640 wide: all the frame's rows; a 640 x 480 frame is copied one to one.
// - Other widths: the frame without its top 32 and bottom 32 rows; for 1280 x 1024 that is the
//   middle 960 rows, one to one.
// When the chosen rows are not exactly the capture height (a 640-wide frame of another height, or
// a wide frame whose height - 64 is not 960) they are scaled to it with smooth filtering, as the
// old halftone stretch did. Headers that do not describe an uncompressed 24-bit bottom-up picture
// inside the block, or leave no rows to take, give no capture picture.
#pragma once

#include <QImage>

#include <cstdint>
#include <optional>
#include <span>

#include "capture/bottom_up_rows.h"

namespace viewer {

class CapturePicture {
public:
    // Reads the frame picture's header and picks the rows; the result refers to the block's
    // memory when no scaling is needed, so the block must outlive it.
    static std::optional<CapturePicture> fromFrame(std::span<const std::uint8_t> framePicture);

    const BottomUpRows& rows() const { return rows_; }

private:
    BottomUpRows rows_;
    QImage scaled_;  // owns the rows when the frame had to be scaled
};

}  // namespace viewer
