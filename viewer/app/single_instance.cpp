#include "app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace viewer {

namespace {

QString lockPath(const QString& folder) {
    const QString dir = folder.isEmpty()
                            ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                            : folder;
    return QDir(dir).filePath(QStringLiteral("e-NodraViewer.lock"));
}

}  // namespace

SingleInstance::SingleInstance(const QString& folder)
    : lock_(lockPath(folder)), first_(lock_.tryLock(0)) {}

}  // namespace viewer
