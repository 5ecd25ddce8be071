// The gallery's file commands: preview, add an image, rename in place, save a copy, delete and
// the properties of a file. Every command builds its paths afresh from the configured gallery
// folder, and one that finds its file gone says so and lists the folder again.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "controls/message_box.h"
#include "gallery/file_copy.h"
#include "gallery/file_properties_dialog.h"
#include "gallery/gallery_host.h"
#include "gallery/gallery_list.h"
#include "gallery/gallery_model.h"
#include "gallery/gallery_rules.h"

namespace {

const QString kFileMissing = QStringLiteral("Can not find file. Operation failed.");
const QString kErrorCaption = QStringLiteral("Error");

QMessageBox::StandardButton askReplace(QWidget* parent, const QString& name) {
    return viewer::ShowMessage(
        parent, QStringLiteral("'%1' already exits. \n\nDo you want to replace it?").arg(name),
        QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, QStringLiteral("Warning"));
}

void showStop(QWidget* parent, const QString& text, const QString& caption) {
    viewer::ShowMessage(parent, text, QMessageBox::Critical, QMessageBox::Ok, caption);
}

}  // namespace

void CGalleryList::PreviewCommand() {
    const int row = CurrentItem();
    if (row >= 0 && host_ != nullptr) {
        host_->PreviewGalleryItem(row);
    }
}

void CGalleryList::AddImageCommand() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters({QStringLiteral("Image files(*.BMP *.JPG)"),
                           QStringLiteral("Bitmap Image(*.BMP)"),
                           QStringLiteral("JPG Image(*.JPG *.JPEG)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QFileInfo source(dialog.selectedFiles().first());
    const QString folder = host_ != nullptr ? host_->SaveFolder() : ListedFolder();
    const QFileInfo destination(QDir(folder).filePath(source.fileName()));
    // A file added onto itself stays as it is; another one of that name is replaced only when the
    // user says so.
    const bool sameFile =
        destination.exists() && destination.canonicalFilePath() == source.canonicalFilePath();
    if (!sameFile &&
        (!destination.exists() || askReplace(this, source.fileName()) == QMessageBox::Yes)) {
        viewer::CopyFileReplacing(source.filePath(), destination.filePath());
    }
    Refresh();
}

void CGalleryList::RenameCommand() {
    const int row = CurrentItem();
    if (row < 0) {
        return;
    }
    if (!QFileInfo::exists(RecordPath(row))) {
        showStop(this, kFileMissing, kErrorCaption);
        Refresh();
        return;
    }
    setCurrentIndex(model_->index(row));
    edit(model_->index(row));
}

void CGalleryList::onLabelEdited(int row, const QString& text) {
    const QString oldName = ItemName(row);
    if (model_->Record(row) == nullptr) {
        return;
    }
    switch (viewer::CheckRename(ListedFolder(), oldName, text)) {
        case viewer::RenameVerdict::Unchanged:
            return;
        case viewer::RenameVerdict::Empty:
            showStop(this, QStringLiteral("There is no file name."),
                     QStringLiteral("Change Filename"));
            reopenLabelEdit(row);
            return;
        case viewer::RenameVerdict::ExtensionChanged:
            showStop(this, QStringLiteral("Cannot change the file extention"),
                     QStringLiteral("Filename change Error"));
            reopenLabelEdit(row);
            return;
        case viewer::RenameVerdict::NameTaken:
            showStop(this,
                     QStringLiteral("Cannot rename ") + oldName +
                         QStringLiteral(": A file with the name you specified already exists.\n\n"
                                        "Specify a different filename."),
                     QStringLiteral("Error Renaming File"));
            reopenLabelEdit(row);
            return;
        case viewer::RenameVerdict::Allowed:
            break;
    }
    const QString oldPath = RecordPath(row);
    if (!QFileInfo::exists(oldPath)) {
        showStop(this, kFileMissing, kErrorCaption);
        Refresh();
        return;
    }
    // A slash would move the file elsewhere rather than rename it: the file system's refusal,
    // like any failed rename, keeps the old name on the label.
    if (!text.contains(u'/') && QFile::rename(oldPath, QDir(ListedFolder()).filePath(text))) {
        model_->RenameRecord(row, text);
    }
}

void CGalleryList::reopenLabelEdit(int row) {
    const QModelIndex index = model_->index(row);
    if (index.isValid()) {
        setCurrentIndex(index);
        edit(index);
    }
}

void CGalleryList::SaveAsCommand() {
    const int row = CurrentItem();
    if (row < 0) {
        return;
    }
    const QString source = RecordPath(row);
    if (!QFileInfo::exists(source)) {
        showStop(this, kFileMissing, kErrorCaption);
        Refresh();
        return;
    }
    const QString type = viewer::SaveAsType(ItemName(row));
    if (type.isEmpty()) {
        return;
    }
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Our own question names the file; the dialog's would name it before the type is added.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(type == QLatin1String("BMP") ? QStringLiteral("Bitmap Image(*.BMP)")
                                                      : QStringLiteral("JPEG Image(*.JPG)"));
    dialog.selectFile(QStringLiteral("NoName"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString chosen = dialog.selectedFiles().first();
    const QString destination = viewer::SaveAsDestination(chosen, type);
    if (QFileInfo::exists(destination) &&
        askReplace(this, QFileInfo(chosen).fileName()) != QMessageBox::Yes) {
        return;
    }
    viewer::CopyFileReplacing(source, destination);
}

void CGalleryList::DeleteSelected() {
    if (SelectedCount() < 1) {
        return;
    }
    // Selected items whose files have gone are left out; the closing refresh drops them.
    QStringList paths;
    for (int row = Count() - 1; row >= 0; --row) {
        if (selectionModel()->isSelected(model_->index(row))) {
            const QString path = RecordPath(row);
            if (QFileInfo::exists(path)) {
                paths.append(path);
            }
        }
    }
    if (!paths.isEmpty()) {
        const QString question =
            paths.size() == 1
                ? QStringLiteral("Are you sure you want to permanently delete '%1'?")
                      .arg(QFileInfo(paths.first()).fileName())
                : QStringLiteral("Are you sure you want to permanently delete these %1 items?")
                      .arg(paths.size());
        const auto answer =
            viewer::ShowMessage(this, question, QMessageBox::Warning,
                                QMessageBox::Yes | QMessageBox::No, QStringLiteral("Delete"));
        if (answer == QMessageBox::Yes) {
            for (const QString& path : paths) {
                QFile::remove(path);
            }
        } else {
            setFocus();
        }
    }
    Refresh();
}

void CGalleryList::PropertiesCommand() {
    const int row = CurrentItem();
    if (row < 0) {
        return;
    }
    const QString path = RecordPath(row);
    if (!QFileInfo::exists(path)) {
        showStop(this, kFileMissing, kErrorCaption);
        Refresh();
        return;
    }
    CFilePropertiesDialog dialog(path, this);
    dialog.exec();
}
