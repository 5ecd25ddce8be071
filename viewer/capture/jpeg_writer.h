// Writes 24-bit pictures as baseline JPEG files.
#pragma once

#include "capture/bottom_up_rows.h"

class QIODevice;

namespace viewer {

// Encodes the picture as a baseline JFIF JPEG (YCbCr 4:2:0, standard tables scaled to `quality`,
// 1..100) straight from its bottom-up rows, streaming the file to `out` as it is made. Returns
// false when the encoder fails or a write to `out` fails; `out` may then hold part of the file.
bool writeJpeg(const BottomUpRows& rows, int quality, QIODevice& out);

}  // namespace viewer
