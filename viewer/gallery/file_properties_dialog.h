// The Properties dialog of a gallery file: name, folder, size, dates, pixel size and format.
#pragma once

#include <QDialog>

class CFilePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    // Reads the file's status and its picture header (not its pixels) once, now.
    CFilePropertiesDialog(const QString& path, QWidget* parent);
};
