// CSettingDialog: the "Setting" dialog. It shows the three paths config.ini keeps (background
// skin, user logo, gallery folder), changes them only through its Browse and Default buttons,
// opens the Camera Setting dialog, and on OK makes sure the gallery folder exists before it
// writes SKIN, DIR and LOGO. Cancel writes nothing. GUI thread only.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class CConfig;
class QLineEdit;

class CSettingDialog : public QDialog {
    Q_OBJECT

public:
    // `runCameraSetting` runs the Camera Setting dialog modally over the given owner.
    CSettingDialog(const CConfig& config, std::function<void(QWidget*)> runCameraSetting,
                   QWidget* parent);

    // After Accepted: whether Browse chose a gallery folder other than the one shown at first.
    bool GalleryChanged() const { return galleryChanged_; }

    // The file dialogs' filters.
    static const char* const kSkinFilter;
    static const char* const kLogoFilter;

private:
    void browseSkin();
    void browseLogo();
    void browseGallery();
    void onOk();
    void showPaths();

    const CConfig& config_;
    std::function<void(QWidget*)> runCameraSetting_;
    bool galleryChanged_ = false;
    QString galleryFolder_;
    QString logoPath_;
    QString skinPath_;
    QLineEdit* galleryEdit_;
    QLineEdit* logoEdit_;
    QLineEdit* skinEdit_;
};
