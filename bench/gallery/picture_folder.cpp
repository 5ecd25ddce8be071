#include "picture_folder.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace bench {

namespace {

// A smooth scene with grain, different for every seed: busier for the decoder than flat colour.
QImage scene(int seed) {
    QImage picture(1280, 960, QImage::Format_RGB888);
    std::uint32_t noise = 2463534242u + static_cast<std::uint32_t>(seed) * 7919u;
    const double phase = seed * 0.37;
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* row = picture.scanLine(y);
        const double v = y / 960.0;
        for (int x = 0; x < picture.width(); ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = static_cast<int>(noise % 21) - 10;
            const double u = x / 1280.0;
            const double base[3] = {120 + 80 * std::sin(7 * u + 3 * v + phase),
                                    60 + 150 * v * (1 - u), 90 + 100 * std::cos(5 * v - 2 * u)};
            for (int c = 0; c < 3; ++c) {
                row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(base[c] + grain, 0.0, 255.0));
            }
        }
    }
    return picture;
}

}  // namespace

PictureFolder makePictureFolder(const QString& base, int distinct, int names) {
    PictureFolder made;
    const QString originals = base + "/originals";
    made.folder = base + "/gallery";
    if (!QDir().mkpath(originals) || !QDir().mkpath(made.folder)) {
        return {};
    }
    for (int i = 0; i < distinct; ++i) {
        if (!scene(i).save(QString("%1/%2.jpg").arg(originals).arg(i), "JPG", 80)) {
            return {};
        }
    }
    // Hard links: every name is a file of its own to the scan, without 1.5 GB of copies.
    for (int i = 0; i < names; ++i) {
        const QString from = QString("%1/%2.jpg").arg(originals).arg(i % distinct);
        const QString to = QString("%1/IMG_%2.jpg").arg(made.folder).arg(i, 5, 10, QChar('0'));
        if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0 &&
            !QFile::copy(from, to)) {
            return {};
        }
    }
    made.jpeg = originals + "/0.jpg";
    made.bmp = base + "/picture.bmp";
    if (!scene(0).save(made.bmp, "BMP")) {
        return {};
    }
    return made;
}

}  // namespace bench
