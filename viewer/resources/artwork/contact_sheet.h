// A preview of all artwork in place: the panel in each button state, the logo and "Basket" on
// the window background, the icon at every size and the cursor, for judging the pictures by eye.
#pragma once

#include <QImage>
#include <vector>

#include "button_set.h"

namespace artwork {

QImage contactSheet(const QImage& panel, const std::vector<ButtonPictures>& buttons,
                    const QImage& logo, const QImage& cursor);

}  // namespace artwork
