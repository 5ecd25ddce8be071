// Writes 24-bit pictures as standard Windows bitmap files.
#pragma once

#include "capture/bottom_up_rows.h"

class QIODevice;

namespace viewer {

// Writes a BMP file to `out`: 14-byte file header, 40-byte BITMAPINFOHEADER (24 bits,
// uncompressed, 96 dpi), then the rows bottom-up, each padded with zeros to a multiple of 4
// bytes. Returns false when a write fails or the picture is too large for the format's 32-bit
// sizes; `out` may then hold part of the file.
bool writeBmp(const BottomUpRows& rows, QIODevice& out);

}  // namespace viewer
