// The main view's capture command: the capture dialog, then the active pane's picture saved and
// added to the gallery.
#include "view/main_view.h"

#include "capture/capture_dialog.h"
#include "capture/capture_naming.h"
#include "controls/control_panel.h"
#include "gallery/disp_view.h"

bool CNKestrumViewerView::CaptureCommand() {
    // The save folder, the counter file and the gallery all use the trimmed ID, so a capture
    // lands in the folder the gallery lists.
    const QString saveFolder = panel_->SaveFolder();
    CCaptureDialog dialog(config_, viewer::TrimSpaces(panel_->CaptureId()), saveFolder, this);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    // A failed save is silent; the gallery still gets the name.
    activePane()->SavePicture(saveFolder + dialog.FileName(), dialog.Format());
    AddCapturedFile(viewer::CaptureFileName(dialog.FileName(), dialog.Format()));
    return true;
}
