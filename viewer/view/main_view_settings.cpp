// The Setting dialog run from the control panel.
#include "view/main_view.h"

std::optional<bool> CNKestrumViewerView::RunSettingDialog() {
    return std::nullopt;
}
