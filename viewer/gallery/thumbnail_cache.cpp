#include "gallery/thumbnail_cache.h"

#include <QImageReader>

namespace viewer {

QImage MakeThumbnail(const QString& path) {
    QImageReader reader(path);
    // The picture's aspect ratio is not kept: it fills the cell as the strip has always shown it.
    // Formats that cannot scale while decoding are read whole and scaled smoothly by the reader.
    reader.setScaledSize(kThumbnailSize);
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.size() != kThumbnailSize) {
        image = image.scaled(kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // One format for every thumbnail, the one painting copies fastest.
    return image.convertToFormat(QImage::Format_RGB32);
}

ThumbnailCache::ThumbnailCache(qint64 maxBytes) : cache_(maxBytes) {}

const QImage* ThumbnailCache::Find(const QString& path, std::int64_t modificationTime) const {
    return cache_.object(keyOf(path, modificationTime));
}

void ThumbnailCache::Insert(const QString& path, std::int64_t modificationTime,
                            const QImage& thumbnail) {
    cache_.insert(keyOf(path, modificationTime), new QImage(thumbnail), thumbnail.sizeInBytes());
}

QString ThumbnailCache::keyOf(const QString& path, std::int64_t modificationTime) {
    return path + u'\n' + QString::number(modificationTime);
}

}  // namespace viewer
