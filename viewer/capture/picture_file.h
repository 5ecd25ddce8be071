// Saving a pane's frame picture as a capture file.
#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace viewer {

inline constexpr int kCaptureFormatBmp = 0;
inline constexpr int kCaptureFormatJpg = 1;
inline constexpr int kCaptureJpegQuality = 80;

// Saves the capture picture of `framePicture` (see capture/capture_picture.h for which rows it
// holds) as pathWithoutExtension + ".jpg" when format is kCaptureFormatJpg (baseline JPEG,
// quality 80), else + ".bmp" (24-bit Windows bitmap).
//
// The file is written beside its final name and renamed into place only when complete, so a
// failed save leaves no partial file and keeps any file that had the name before. Failures (a
// header that describes no usable picture, a missing or unwritable folder, a full disk) are
// silent: nothing is written and the result is still 1, which is all the caller looks at.
// GUI thread; the frame is read as it is during the call.
int SaveFramePicture(std::span<const std::uint8_t> framePicture,
                     const QString& pathWithoutExtension, int format);

}  // namespace viewer
