#include "gallery/gallery_record.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace viewer {

namespace {

std::int64_t secondsOf(const QDateTime& time) {
    return time.isValid() ? time.toSecsSinceEpoch() : 0;
}

}  // namespace

bool IsGalleryImageName(const QString& name) {
    const QString type = name.right(3).toUpper();
    return type == QLatin1String("BMP") || type == QLatin1String("JPG");
}

namespace {

GalleryRecord recordOf(const QString& name, const QFileInfo& info) {
    GalleryRecord record;
    record.name = name;
    record.fullPath = info.filePath();
    if (info.exists()) {
        // Whole seconds, so that files written within one second count as equally old.
        record.creationTime = secondsOf(info.birthTime());
        record.modificationTime = secondsOf(info.lastModified());
        record.accessTime = secondsOf(info.lastRead());
        record.size = info.size();
    }
    return record;
}

}  // namespace

GalleryRecord MakeGalleryRecord(const QString& name, const QString& path) {
    return recordOf(name, QFileInfo(path));
}

void OrderGalleryRecords(std::vector<GalleryRecord>& records) {
    // Reversed first, a stable sort then puts the later of two equally old files first.
    std::reverse(records.begin(), records.end());
    std::stable_sort(records.begin(), records.end(),
                     [](const GalleryRecord& a, const GalleryRecord& b) {
                         return a.modificationTime < b.modificationTime;
                     });
}

std::vector<GalleryRecord> ScanGalleryFolder(const QString& folder) {
    std::vector<GalleryRecord> records;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        if (info.isDir() || !IsGalleryImageName(info.fileName())) {
            continue;
        }
        // The iterator's status is reused: one status read per file.
        records.push_back(recordOf(info.fileName(), info));
    }
    OrderGalleryRecords(records);
    return records;
}

}  // namespace viewer
