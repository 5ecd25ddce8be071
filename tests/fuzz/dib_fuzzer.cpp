// CDib's bitmap loader on any file: it loads or refuses, and what it holds is consistent.
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "capture/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("picture.bmp"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::abort();
        }
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    CDib dib;
    if (dib.LoadBitmapFile(path)) {
        if (dib.Width() <= 0 || dib.Height() <= 0 || dib.ColorCount() < 0 ||
            (dib.BitCount() <= 8) != dib.RebuildPalette()) {
            std::abort();
        }
    }
    return 0;
}
