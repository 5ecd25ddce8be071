// The gallery's record table without a widget: which files of a folder are listed, what is kept
// of each, and in which order they stand.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace viewer {

// One listed file. The name is kept whole, however long. The status is read when the record is
// made; only the modification time is consulted (to order a scan).
struct GalleryRecord {
    QString name;
    std::int64_t creationTime = 0;  // seconds since 1970-01-01 UTC
    std::int64_t modificationTime = 0;
    std::int64_t accessTime = 0;
    std::int64_t size = 0;
    QString fullPath;
};

// True for names whose last three characters, upper-cased, are "BMP" or "JPG" (no dot needed:
// "x.jpeg" is not listed, "xbmp" is).
bool IsGalleryImageName(const QString& name);

// A record for the file at `path` named `name`, with the file system's status of the path (zero
// when the path cannot be read).
GalleryRecord MakeGalleryRecord(const QString& name, const QString& path);

// Puts records given in enumeration order into display order: oldest modification time first,
// and of equal times the one enumerated later first. O(n log n).
void OrderGalleryRecords(std::vector<GalleryRecord>& records);

// The listed files of `folder` (plain files only, sub-folders skipped) in display order. A missing
// or unreadable folder lists nothing.
std::vector<GalleryRecord> ScanGalleryFolder(const QString& folder);

}  // namespace viewer
