// The INI reader and writer on any file: reads never fail, and a value written is the value read
// back, whatever the file held before.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "config/profile_file.h"

namespace {

const QString& filePath() {
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("config.ini"));
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString& path = filePath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::abort();
        }
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    viewer::readProfileString(path, "CONFIG", "DIR", QStringLiteral("default"), 260);
    viewer::readProfileString(path, "MODE1_640X480", "HUE", QStringLiteral("no"), 10);

    const viewer::ProfileEntry entries[] = {{"DIR", QStringLiteral("/v")},
                                            {"LOGO", QStringLiteral("\"quoted\"")}};
    if (!viewer::writeProfileStrings(path, "CONFIG", entries)) {
        std::abort();  // a readable file in a writable folder always takes the keys
    }
    if (viewer::readProfileString(path, "CONFIG", "DIR", QString(), 260) != QStringLiteral("/v") ||
        viewer::readProfileString(path, "CONFIG", "LOGO", QString(), 260) !=
            QStringLiteral("quoted")) {
        std::abort();  // a value written is found where a read looks
    }
    return 0;
}
