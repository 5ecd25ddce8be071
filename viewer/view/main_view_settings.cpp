// The Setting dialog run from the control panel, and the Camera Setting dialog run from it.
#include "view/main_view.h"

#include "controls/camera_setting_dialog.h"
#include "controls/setting_dialog.h"

std::optional<bool> CNKestrumViewerView::RunSettingDialog() {
    CSettingDialog dialog(
        config_,
        [this](QWidget* owner) {
            // Without a camera library there is nothing to tune.
            if (controller_ && settings_) {
                CPropertyPages pages(*controller_, *settings_, config_, ResolutionMode(), owner);
                pages.exec();
            }
        },
        this);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.GalleryChanged();
}
