#include "config/skin_picture.h"

#include <QImageReader>
#include <QPainter>

namespace viewer {

QImage renderSkinPicture(const QString& path) {
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        return {};
    }
    // Transparent parts of the picture show as black, as on a fresh screen bitmap.
    QImage skin(kSkinSize, QImage::Format_RGB32);
    skin.fill(Qt::black);
    QPainter painter(&skin);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), kSkinSize), picture);
    return skin;
}

}  // namespace viewer
