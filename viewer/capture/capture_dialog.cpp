#include "capture/capture_dialog.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <utility>

#include "capture/capture_naming.h"
#include "capture/picture_file.h"
#include "controls/dialog_units.h"
#include "controls/message_box.h"
#include "controls/resource_access.h"

namespace {

constexpr int kFileNameEdit = 1008;
constexpr int kBmpRadio = 1017;
constexpr int kJpgRadio = 1018;
constexpr int kOkButton = 1011;
constexpr int kCancelButton = 1012;

}  // namespace

CCaptureDialog::CCaptureDialog(const CConfig& config, const QString& captureId, QString saveFolder,
                               QWidget* parent, const QDateTime& now)
    : QDialog(parent), saveFolder_(std::move(saveFolder)) {
    using viewer::DialogUnitRect;
    setWindowTitle(QStringLiteral("Capture"));
    setWindowFlags(viewer::kDialogWindowFlags);
    setFixedSize(viewer::DialogUnitsX(143), viewer::DialogUnitsY(98));

    auto* label = new QLabel(QStringLiteral("File Name"), this);
    label->setGeometry(DialogUnitRect(14, 10, 64, 9));
    nameEdit_ = new QLineEdit(this);
    viewer::SetControlId(nameEdit_, kFileNameEdit);
    nameEdit_->setGeometry(DialogUnitRect(14, 24, 105, 14));

    bmp_ = new QRadioButton(QStringLiteral("BMP"), this);
    viewer::SetControlId(bmp_, kBmpRadio);
    bmp_->setGeometry(DialogUnitRect(31, 57, 36, 10));
    bmp_->setChecked(true);
    jpg_ = new QRadioButton(QStringLiteral("JPG"), this);
    viewer::SetControlId(jpg_, kJpgRadio);
    jpg_->setGeometry(DialogUnitRect(74, 57, 34, 10));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    viewer::SetControlId(ok, kOkButton);
    ok->setGeometry(DialogUnitRect(19, 77, 50, 14));
    ok->setDefault(true);  // Enter runs the OK handler, checks included
    connect(ok, &QPushButton::clicked, this, &CCaptureDialog::onOk);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    viewer::SetControlId(cancel, kCancelButton);
    cancel->setGeometry(DialogUnitRect(75, 77, 50, 14));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    nameEdit_->setText(viewer::ProposeCaptureName(config, captureId, now));
    nameEdit_->setFocus();
}

void CCaptureDialog::onOk() {
    const QString name = viewer::TrimSpaces(nameEdit_->text());
    if (!viewer::IsUsableCaptureName(name)) {
        viewer::ShowMessage(this, QStringLiteral("No File Name!"), QMessageBox::Critical,
                            QMessageBox::Ok, QStringLiteral("error"));
        return;
    }
    const int format = jpg_->isChecked() ? viewer::kCaptureFormatJpg : viewer::kCaptureFormatBmp;
    const QString file = viewer::CaptureFileName(name, format);
    // Two captures in one second propose the same name: never lose a picture unasked.
    if (QFileInfo::exists(saveFolder_ + file) &&
        viewer::ShowMessage(
            this, QStringLiteral("'%1' already exits. \n\nDo you want to replace it?").arg(file),
            QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
            QStringLiteral("Warning")) != QMessageBox::Yes) {
        return;
    }
    fileName_ = name;
    format_ = format;
    accept();
}
