#include "gallery/pane_cursors.h"

#include <QPixmap>
#include <QString>

// The cursor artwork is compiled into this static library; registering it here makes the linker
// keep it in every program that uses the pane.
static void registerCursorResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(cursors);
        return true;
    }();
    (void)registered;
}

namespace viewer {

QCursor paneCursor(int resourceNumber) {
    registerCursorResources();
    QPoint hotSpot;
    switch (resourceNumber) {
        case kCursorNotLive:
            hotSpot = {10, 8};
            break;
        case kCursorLive:
            hotSpot = {18, 14};
            break;
        default:
            return QCursor(Qt::ArrowCursor);
    }
    const QPixmap picture(QStringLiteral(":/cursor/%1.png").arg(resourceNumber));
    if (picture.isNull()) {
        return QCursor(Qt::ArrowCursor);
    }
    return QCursor(picture, hotSpot.x(), hotSpot.y());
}

}  // namespace viewer
