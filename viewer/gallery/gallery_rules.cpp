#include "gallery/gallery_rules.h"

#include <QDir>

namespace viewer {

QString FileExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return {};
    }
    const QString extension = name.mid(dot);
    if (extension.contains(u' ') || extension.contains(u'/') || extension.contains(u'\\')) {
        return {};
    }
    return extension;
}

namespace {

// True when `folder` holds an entry named `name` in any case: names that differ only in case
// would stand for one file where the gallery's files usually come from.
bool nameTaken(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (dir.exists(name)) {
        return true;
    }
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

RenameVerdict CheckRename(const QString& folder, const QString& oldName, const QString& newText) {
    if (newText == oldName) {
        return RenameVerdict::Unchanged;
    }
    if (newText.isEmpty()) {
        return RenameVerdict::Empty;
    }
    if (FileExtension(newText).toUpper() != FileExtension(oldName).toUpper()) {
        return RenameVerdict::ExtensionChanged;
    }
    if (nameTaken(folder, newText)) {
        return RenameVerdict::NameTaken;
    }
    return RenameVerdict::Allowed;
}

QString SaveAsType(const QString& recordName) {
    const QString type = recordName.right(3).toUpper();
    return type == QLatin1String("BMP") || type == QLatin1String("JPG") ? type : QString();
}

QString SaveAsDestination(const QString& chosenPath, const QString& type) {
    const QString extension = u'.' + type;
    if (chosenPath.endsWith(extension, Qt::CaseInsensitive)) {
        return chosenPath;
    }
    return chosenPath + extension;
}

bool IsCaptureIdFolderName(const QString& captureId) {
    return !captureId.contains(u'/') && !captureId.contains(u'\\') &&
           !captureId.contains(QLatin1String("..")) && captureId != QLatin1String(".");
}

}  // namespace viewer
