// Draws the viewer's artwork: the picture buttons, the control panel background, the built-in
// logo, the picture buttons' cursor and the application icon. The rendered files are committed;
// the build compiles this program but never runs it. After changing a picture, from the
// repository root:
//     cmake --build build/default --target make_artwork
//     build/default/viewer/resources/artwork/make_artwork . [/tmp/artwork-sheet.png]
// It rewrites viewer/resources/{bitmaps,cursors/164.png,icon} and packaging/icons in place; the
// optional second argument also writes a contact sheet of everything for review.
// The scalable icon (packaging/icons/hicolor/scalable/apps/e-nodraviewer.svg) is kept by hand.
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QString>
#include <cstdio>

#include "brand.h"
#include "button_set.h"
#include "contact_sheet.h"
#include "resources/cursor_hot_spots.h"
#include "tiles.h"

namespace {

bool save(const QImage& picture, const QString& path, const char* format) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        std::fprintf(stderr, "cannot create the folder of %s\n", qPrintable(path));
        return false;
    }
    QImageWriter writer(path, format);
    if (!writer.write(picture)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

// Bitmaps are 24-bit: the viewer loads them at their own depth and draws them opaque.
bool saveBitmap(const QImage& picture, const QString& folder, int number) {
    return save(picture.convertToFormat(QImage::Format_RGB888),
                QStringLiteral("%1/%2.bmp").arg(folder).arg(number), "bmp");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <repository root> [contact sheet.png]\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString resources = root.filePath(QStringLiteral("viewer/resources"));
    const QString bitmaps = resources + QStringLiteral("/bitmaps");

    const QImage panel = artwork::panelBackground();
    const std::vector<artwork::ButtonPictures> buttons = artwork::renderButtons(panel);
    const QImage logo = artwork::logo();
    const QImage cursor = artwork::pointingHandCursor(res::kSkinButtonCursorHotSpot);

    bool written = saveBitmap(panel, bitmaps, res::kPanelBackgroundBitmap) &&
                   saveBitmap(logo, bitmaps, res::kBuiltInLogoBitmap);
    for (const artwork::ButtonPictures& button : buttons) {
        written = written && saveBitmap(button.normal, bitmaps, button.bitmaps.normal) &&
                  saveBitmap(button.hover, bitmaps, button.bitmaps.hover);
        // The ID button shows its normal picture when disabled.
        if (button.bitmaps.disabled != button.bitmaps.normal) {
            written = written && saveBitmap(button.disabled, bitmaps, button.bitmaps.disabled);
        }
    }
    written =
        written &&
        save(cursor, QStringLiteral("%1/cursors/%2.png").arg(resources).arg(res::kSkinButtonCursor),
             "png") &&
        save(artwork::appIcon(256),
             QStringLiteral("%1/icon/%2.png").arg(resources).arg(res::kAppIcon), "png");
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        written = written && save(artwork::appIcon(size),
                                  root.filePath(QStringLiteral("packaging/icons/hicolor/%1x%1/apps/"
                                                               "e-nodraviewer.png")
                                                    .arg(size)),
                                  "png");
    }
    if (written && argc == 3) {
        written = save(artwork::contactSheet(panel, buttons, logo, cursor),
                       QString::fromLocal8Bit(argv[2]), "png");
    }
    return written ? 0 : 1;
}
