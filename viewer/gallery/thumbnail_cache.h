// Gallery thumbnails: the whole picture squeezed into 105 x 94 pixels, decoded at a reduced scale
// where the format allows (JPEG decodes straight to about the thumbnail's size), and kept in a
// cache bounded in bytes. GUI thread only.
#pragma once

#include <QCache>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

namespace viewer {

inline constexpr QSize kThumbnailSize{105, 94};

// The thumbnail of the picture file at `path`; a null image when it cannot be decoded.
QImage MakeThumbnail(const QString& path);

class ThumbnailCache {
public:
    // Holds thumbnails up to `maxBytes` of pixels; the least recently used go first.
    explicit ThumbnailCache(qint64 maxBytes);

    // The cached thumbnail of `path` as it was at `modificationTime`, or null.
    const QImage* Find(const QString& path, std::int64_t modificationTime) const;
    void Insert(const QString& path, std::int64_t modificationTime, const QImage& thumbnail);
    void Clear() { cache_.clear(); }
    qint64 Bytes() const { return cache_.totalCost(); }

private:
    static QString keyOf(const QString& path, std::int64_t modificationTime);

    QCache<QString, QImage> cache_;
};

}  // namespace viewer
