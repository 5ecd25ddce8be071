// The product's own marks: the built-in logo, the application icon and the picture buttons'
// pointing-hand cursor.
#pragma once

#include <QImage>
#include <QPoint>

namespace artwork {

// "e-Nodra" in monoline letters whose "o" is a camera lens, over "VIEWER"; 150 x 87 on the
// window background.
QImage logo();

// The application icon at `size` x `size`, with alpha. Its geometry is that of
// packaging/icons/hicolor/scalable/apps/e-nodraviewer.svg on a 256 grid; change both together.
QImage appIcon(int size);

// A black pointing hand with a white outline, 32 x 32 with alpha; the index fingertip lies on
// `hotSpot`.
QImage pointingHandCursor(QPoint hotSpot);

}  // namespace artwork
