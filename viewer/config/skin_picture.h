// The background ("skin") picture, drawn over the whole 1024 x 768 main view.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace viewer {

inline constexpr QSize kSkinSize{1024, 768};

// Loads the picture at `path` (BMP, JPEG and whatever else the image plugins read) and stretches
// it to exactly kSkinSize, aspect ratio not kept. Returns a null image when it cannot be read.
QImage renderSkinPicture(const QString& path);

}  // namespace viewer
