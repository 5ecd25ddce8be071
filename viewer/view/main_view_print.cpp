// The main view's printing: the panes of the current layout on one landscape page.
#include "view/main_view.h"

void CNKestrumViewerView::PrintCommand() {}
