#include "gallery/gallery_model.h"

#include <QDir>
#include <QFileInfo>

int CGalleryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant CGalleryModel::data(const QModelIndex& index, int role) const {
    const viewer::GalleryRecord* record = index.isValid() ? Record(index.row()) : nullptr;
    if (record == nullptr || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return record->name;
}

Qt::ItemFlags CGalleryModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

void CGalleryModel::SetRecords(std::vector<viewer::GalleryRecord> records) {
    beginResetModel();
    records_ = std::move(records);
    endResetModel();
}

int CGalleryModel::Append(viewer::GalleryRecord record) {
    const int row = Count();
    beginInsertRows({}, row, row);
    records_.push_back(std::move(record));
    endInsertRows();
    return row;
}

bool CGalleryModel::RenameRecord(int row, const QString& name) {
    if (Record(row) == nullptr) {
        return false;
    }
    viewer::GalleryRecord& record = records_[static_cast<std::size_t>(row)];
    record.name = name;
    record.fullPath = QFileInfo(record.fullPath).dir().filePath(name);
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
    return true;
}

const viewer::GalleryRecord* CGalleryModel::Record(int row) const {
    if (row < 0 || row >= Count()) {
        return nullptr;
    }
    return &records_[static_cast<std::size_t>(row)];
}
