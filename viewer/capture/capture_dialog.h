// CCaptureDialog: the "Capture" dialog. It proposes a file name for the active pane's picture
// (by date and time, or by capture ID and the day's counter) and lets the user edit it and choose
// BMP or JPG. GUI thread.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>

class CConfig;
class QLineEdit;
class QRadioButton;

class CCaptureDialog : public QDialog {
    Q_OBJECT

public:
    // Makes the proposal at once, which for a capture ID updates that folder's ID.ini whatever
    // the outcome. `captureId` is the trimmed ID (may be empty); `saveFolder` is where the file
    // will go, ending with a separator.
    CCaptureDialog(const CConfig& config, const QString& captureId, QString saveFolder,
                   QWidget* parent, const QDateTime& now = QDateTime::currentDateTime());

    // After Accepted: the chosen name without spaces around it, folder or extension, and the
    // format (viewer::kCaptureFormatBmp or kCaptureFormatJpg; BMP at every opening).
    QString FileName() const { return fileName_; }
    int Format() const { return format_; }

private:
    // OK and Enter: refuses an empty name or one that would leave the save folder, asks before
    // replacing an existing file, then ends with Accepted.
    void onOk();

    QString saveFolder_;
    QLineEdit* nameEdit_;
    QRadioButton* bmp_;
    QRadioButton* jpg_;
    QString fileName_;
    int format_ = 0;
};
