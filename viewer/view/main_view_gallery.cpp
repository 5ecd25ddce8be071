// The main view's gallery side: the strip itself, capture-ID folders, stored images shown in the
// active pane, and the "Basket" button.
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include "config/config.h"
#include "controls/control_panel.h"
#include "controls/message_box.h"
#include "controls/wait_cursor.h"
#include "gallery/disp_view.h"
#include "gallery/gallery_list.h"
#include "gallery/gallery_rules.h"
#include "view/main_view.h"

namespace {

// Only spaces are trimmed from a capture ID: it is the typed folder name otherwise.
QString trimmedSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') {
        ++first;
    }
    while (last > first && text[last - 1] == u' ') {
        --last;
    }
    return text.mid(first, last - first);
}

}  // namespace

void CNKestrumViewerView::createGallery() {
    gallery_ = new CGalleryList(config_, this);
    gallery_->setGeometry(viewer::kGalleryRect);
    gallery_->SetHost(this);
    connect(gallery_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            PreviewGalleryItem(index.row());
        }
    });
}

void CNKestrumViewerView::RefreshGallery(const QString& captureId) {
    gallery_->SetFolderArgument(trimmedSpaces(captureId));
    gallery_->Refresh();
}

bool CNKestrumViewerView::ApplyCaptureId(const QString& captureId) {
    const QString id = trimmedSpaces(captureId);
    if (!id.isEmpty()) {
        // An ID naming a way out of the gallery folder is refused like a folder that cannot be
        // made.
        const QFileInfo folder(config_.GetGalleryFolder() + u'/' + id);
        if (!viewer::IsCaptureIdFolderName(id) ||
            (!folder.isDir() && !QDir().mkdir(folder.filePath()))) {
            viewer::ShowMessage(this, QStringLiteral("Can not create '%1' directory!").arg(id),
                                QMessageBox::Critical, QMessageBox::Ok, QStringLiteral("Error"));
            panel_->ClearCaptureId();
            return false;
        }
    }
    const viewer::WaitCursor wait;
    gallery_->ClearRecords();
    gallery_->ScanFolder(id);
    return true;
}

void CNKestrumViewerView::AddCapturedFile(const QString& fileName) {
    const int row = gallery_->AddFile(fileName);
    const QModelIndex index = gallery_->model()->index(row, 0);
    gallery_->setFocus();
    gallery_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select);
    gallery_->EnsureVisible(row);
}

QString CNKestrumViewerView::SaveFolder() const {
    return panel_->SaveFolder();
}

void CNKestrumViewerView::PreviewGalleryItem(int index) {
    const QString path = gallery_->RecordPath(index);
    if (!path.isEmpty()) {
        PreviewFile(path);
    }
}

void CNKestrumViewerView::PreviewFile(const QString& path) {
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        viewer::ShowMessage(this, QStringLiteral("Can not preview image"), QMessageBox::Critical);
        // The file may have gone: the strip shows what is left.
        gallery_->Refresh();
        return;
    }
    CDispView* pane = activePane();
    pane->SetLive(false);
    pane->SetImage(picture);
    state_.SetStoredImageShown(true);
    if (ScreenLayout() == viewer::kHalfPictureLayout) {
        for (int i : {0, 1}) {
            panes_[static_cast<std::size_t>(i)]->SetScrollSizes(QSize(640, 10));
            panes_[static_cast<std::size_t>(i)]->UpdateScrollBars();
        }
    }
    UpdatePanelState(true);
}

void CNKestrumViewerView::onBasket() {
    if (gallery_->SelectedCount() > 0) {
        gallery_->DeleteSelected();
        gallery_->setFocus();
    }
}
