// Small helpers for widgets addressed by their resource numbers.
#pragma once

#include <QImage>
#include <QString>
#include <QVariant>
#include <QWidget>

#include "capture/dib.h"

namespace viewer {

// Names a widget by its control ID ("ID_<n>", also the "controlId" property), so tests and
// tools find it the way the resource table names it.
inline void SetControlId(QWidget* widget, int id) {
    widget->setObjectName(QStringLiteral("ID_%1").arg(id));
    widget->setProperty("controlId", id);
}

// A bitmap resource of the program; a null picture when there is none.
inline QImage BitmapResource(int id) {
    return QImage(CDib::BitmapResourcePath(id));
}

}  // namespace viewer
