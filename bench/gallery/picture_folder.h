// A generated gallery folder: a few hundred distinct 1280 x 960 JPEGs, linked under as many names
// as asked, and one 1280 x 960 BMP beside it.
#pragma once

#include <QString>

namespace bench {

struct PictureFolder {
    QString folder;  // the listed pictures
    QString jpeg;    // one of them
    QString bmp;     // outside the listed folder
};

// Fills `base` (which must exist) and returns what it made; empty paths on failure.
PictureFolder makePictureFolder(const QString& base, int distinct, int names);

}  // namespace bench
