// The main view's background: a skin picture or a plain colour, with the logo over it, composed
// once per change so that repaints under live video copy one picture.
#include "view/main_view.h"

#include <QDir>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>

#include "capture/dib.h"
#include "config/color_ref.h"
#include "config/config.h"
#include "controls/resource_access.h"
#include "resources/resource_ids.h"

void CNKestrumViewerView::ReloadBackgroundSkin() {
    config_.LoadSkinBitmap(skin_);
    composeBackground();
}

void CNKestrumViewerView::ReloadLogo() {
    logo_ = QImage();
    QDir::setCurrent(config_.GetStartDirectory());
    QImageReader reader(QStringLiteral("logo.bmp"));
    logo_ = reader.read();
    if (logo_.isNull()) {
        logo_ = viewer::BitmapResource(res::kBuiltInLogoBitmap);
    }
    logoBox_ = viewer::LogoBox(config_.GetLogoPosition(), logo_.size());
    composeBackground();
}

void CNKestrumViewerView::InvalidateView() {
    update();
}

void CNKestrumViewerView::composeBackground() {
    QPixmap composed(viewer::kViewSize);
    composed.fill(viewer::colorFromColorRef(backgroundColour_));
    QPainter painter(&composed);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!skin_.isNull()) {
        painter.drawImage(QRect(QPoint(0, 0), viewer::kViewSize), skin_);
    }
    if (!logo_.isNull()) {
        painter.drawImage(logoBox_, logo_);
    }
    painter.end();
    background_ = std::move(composed);
    update();
}

void CNKestrumViewerView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawPixmap(event->rect(), background_, event->rect());
}
