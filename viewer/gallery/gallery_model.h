// The gallery's record table as a list model: row i is record i, its display text the record's
// name. The view over it stores no items of its own. GUI thread only.
#pragma once

#include <QAbstractListModel>

#include <vector>

#include "gallery/gallery_record.h"

class CGalleryModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Replaces the whole table (a scan) or empties it.
    void SetRecords(std::vector<viewer::GalleryRecord> records);
    void Clear() { SetRecords({}); }
    // Appends one record and returns its row.
    int Append(viewer::GalleryRecord record);
    // Renames record `row` in place (its path follows); false for a row outside the table.
    bool RenameRecord(int row, const QString& name);

    // Null for a row outside the table.
    const viewer::GalleryRecord* Record(int row) const;
    int Count() const { return static_cast<int>(records_.size()); }

private:
    std::vector<viewer::GalleryRecord> records_;
};
