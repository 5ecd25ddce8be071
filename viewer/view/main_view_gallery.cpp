// The main view's gallery side: capture-ID folders, stored images shown in the active pane, and
// the "Basket" button.
#include "view/main_view.h"

void CNKestrumViewerView::RefreshGallery(const QString& /*captureId*/) {}

bool CNKestrumViewerView::ApplyCaptureId(const QString& /*captureId*/) {
    return true;
}

void CNKestrumViewerView::AddCapturedFile(const QString& /*fileName*/) {}

void CNKestrumViewerView::onBasket() {
    if (gallery_->selectionModel() != nullptr && gallery_->selectionModel()->hasSelection()) {
        gallery_->setFocus();
    }
}
