#include "controls/setting_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

#include <utility>

#include "config/config.h"
#include "controls/dialog_units.h"
#include "controls/message_box.h"
#include "controls/resource_access.h"

namespace {

// Control IDs of dialog 131.
constexpr int kGalleryBrowse = 1013, kGalleryEdit = 1014;
constexpr int kLogoBrowse = 1015, kCameraSettingButton = 1016;
constexpr int kSkinEdit = 1017, kSkinBrowse = 1018, kLogoEdit = 1019, kSkinDefault = 1020;
constexpr int kOkButton = 1011, kCancelButton = 1012;

QLineEdit* addPathGroup(QWidget* dialog, const char* title, int y, int editId) {
    auto* group = new QGroupBox(QString::fromLatin1(title), dialog);
    group->setGeometry(viewer::DialogUnitRect(7, y, 244, 50));
    auto* edit = new QLineEdit(dialog);
    viewer::SetControlId(edit, editId);
    edit->setGeometry(viewer::DialogUnitRect(14, y + 13, 230, 13));
    edit->setReadOnly(true);
    return edit;
}

QPushButton* addButton(QWidget* dialog, const char* caption, int id, QRect units) {
    auto* button = new QPushButton(QString::fromLatin1(caption), dialog);
    viewer::SetControlId(button, id);
    button->setGeometry(
        viewer::DialogUnitRect(units.x(), units.y(), units.width(), units.height()));
    button->setAutoDefault(false);
    return button;
}

// Runs an open-file dialog; empty when cancelled.
QString chooseFile(QWidget* owner, const char* filter) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromLatin1(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

// Replaces `target` with a copy of `source`; the old file stays whole if the copy fails.
bool copyReplacing(const QString& source, const QString& target) {
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace

// Description and pattern pairs; the patterns match without regard to case.
const char* const CSettingDialog::kSkinFilter =
    "Image files(*.BMP; *.JPG) (*.BMP *.JPG);;Bitmap Image(*.BMP) (*.BMP);;"
    "JPG Image(*.JPG) (*.JPG *.JPEG)";
const char* const CSettingDialog::kLogoFilter = "Bitmap Image(*.BMP) (*.BMP)";

CSettingDialog::CSettingDialog(const CConfig& config,
                               std::function<void(QWidget*)> runCameraSetting, QWidget* parent)
    : QDialog(parent), config_(config), runCameraSetting_(std::move(runCameraSetting)) {
    setWindowTitle(QStringLiteral("Setting"));
    setWindowFlags(viewer::kDialogWindowFlags);
    setFixedSize(viewer::DialogUnitsX(258), viewer::DialogUnitsY(265));

    skinEdit_ = addPathGroup(this, "Background Skin Path", 7, kSkinEdit);
    auto* skinDefault = addButton(this, "Default", kSkinDefault, {140, 36, 50, 14});
    auto* skinBrowse = addButton(this, "Browse...", kSkinBrowse, {194, 36, 50, 14});
    logoEdit_ = addPathGroup(this, "User Logo Path", 64, kLogoEdit);
    auto* logoBrowse = addButton(this, "Browse...", kLogoBrowse, {194, 93, 50, 14});
    galleryEdit_ = addPathGroup(this, "Gallery Directory", 121, kGalleryEdit);
    auto* galleryBrowse = addButton(this, "Browse...", kGalleryBrowse, {194, 150, 50, 14});
    auto* cameraSetting =
        addButton(this, "Camera Setting", kCameraSettingButton, {7, 184, 244, 24});
    auto* ok = addButton(this, "&OK", kOkButton, {70, 238, 50, 14});
    auto* cancel = addButton(this, "&Cancel", kCancelButton, {138, 238, 50, 14});
    ok->setDefault(true);

    connect(skinBrowse, &QPushButton::clicked, this, &CSettingDialog::browseSkin);
    connect(skinDefault, &QPushButton::clicked, this, [this] {
        skinPath_.clear();
        showPaths();
    });
    connect(logoBrowse, &QPushButton::clicked, this, &CSettingDialog::browseLogo);
    connect(galleryBrowse, &QPushButton::clicked, this, &CSettingDialog::browseGallery);
    connect(cameraSetting, &QPushButton::clicked, this, [this] { runCameraSetting_(this); });
    connect(ok, &QPushButton::clicked, this, &CSettingDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    galleryFolder_ = config_.GetGalleryFolder();
    logoPath_ = config_.GetLogoPath();
    skinPath_ = config_.GetSkinPath();
    showPaths();
}

void CSettingDialog::showPaths() {
    galleryEdit_->setText(galleryFolder_);
    logoEdit_->setText(logoPath_);
    skinEdit_->setText(skinPath_);
}

void CSettingDialog::browseSkin() {
    const QString chosen = chooseFile(this, kSkinFilter);
    if (!chosen.isEmpty()) {
        skinPath_ = chosen;
    }
    showPaths();
}

void CSettingDialog::browseLogo() {
    const QString chosen = chooseFile(this, kLogoFilter);
    if (!chosen.isEmpty()) {
        // The view draws logo.bmp of the start directory; a failed copy keeps the old one.
        copyReplacing(chosen, config_.GetStartDirectory() + QStringLiteral("/logo.bmp"));
        logoPath_ = chosen;
    }
    showPaths();
}

void CSettingDialog::browseGallery() {
    QFileDialog dialog(this, QStringLiteral("Choose a folder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen = dialog.selectedFiles().constFirst();
        if (!chosen.isEmpty() && chosen != galleryFolder_) {
            galleryFolder_ = chosen;
            galleryChanged_ = true;
        }
    }
    showPaths();
}

void CSettingDialog::onOk() {
    // An empty folder stands for the root, which always exists.
    if (!galleryFolder_.isEmpty() && !QFileInfo(galleryFolder_).isDir()) {
        if (viewer::ShowMessage(
                this, QStringLiteral("The Directory is not exist. \nDo you want to make it?"),
                QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
                QStringLiteral("warring")) != QMessageBox::Yes) {
            return;
        }
        if (!QDir().mkdir(galleryFolder_)) {
            viewer::ShowMessage(
                this, QStringLiteral("Can not create '%1' directory!").arg(galleryFolder_),
                QMessageBox::Critical, QMessageBox::Ok, QStringLiteral("Error"));
            return;
        }
    }
    config_.WriteSettingDialogValues(skinPath_, galleryFolder_, logoPath_);
    showPaths();
    accept();
}
