#include "tiles.h"

#include <QLinearGradient>
#include <QPainter>
#include <QTransform>

namespace artwork {

QImage panelBackground() {
    QImage panel(130, 400, QImage::Format_RGB32);
    QPainter painter(&panel);
    QLinearGradient shade(0, 0, 0, panel.height());
    shade.setColorAt(0, kPanelTop);
    shade.setColorAt(1, kPanelBottom);
    painter.fillRect(panel.rect(), shade);

    // A one-pixel groove under the ID row sets the capture ID apart from the buttons below.
    painter.fillRect(QRect(8, 33, 114, 1), kPanelGrooveDark);
    painter.fillRect(QRect(8, 34, 114, 1), Qt::white);

    // Rim: light on the top and left edge, darker on the right and bottom, as if lit from above.
    painter.fillRect(QRect(0, 0, 130, 1), kPanelEdge);
    painter.fillRect(QRect(0, 0, 1, 400), kPanelEdge);
    painter.fillRect(QRect(129, 0, 1, 400), kPanelEdge);
    painter.fillRect(QRect(0, 399, 130, 1), kPanelEdge);
    painter.fillRect(QRect(1, 1, 128, 1), QColor(255, 255, 255, 200));
    painter.fillRect(QRect(1, 1, 1, 398), QColor(255, 255, 255, 140));
    return panel;
}

QImage tileButton(const QImage& backdrop, const QRectF& tile, double radius,
                  const QPainterPath& glyph, const TileColours& colours) {
    QImage button = backdrop.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&button);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    // Soft drop shadow: two offset layers fading out below the tile.
    painter.setBrush(QColor(0, 0, 0, 22));
    painter.drawRoundedRect(tile.translated(0, 2).adjusted(-0.5, 0, 0.5, 0.5), radius, radius);
    painter.setBrush(QColor(0, 0, 0, 34));
    painter.drawRoundedRect(tile.translated(0, 1), radius, radius);

    QLinearGradient body(tile.topLeft(), tile.bottomLeft());
    body.setColorAt(0, colours.top);
    body.setColorAt(1, colours.bottom);
    painter.setBrush(colours.rim);
    painter.drawRoundedRect(tile, radius, radius);
    painter.setBrush(body);
    painter.drawRoundedRect(tile.adjusted(1, 1, -1, -1), radius - 1, radius - 1);

    // A gloss on the upper half and a thin light line inside the top rim give the tile depth.
    QLinearGradient gloss(tile.topLeft(), QPointF(tile.left(), tile.center().y()));
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setBrush(gloss);
    painter.drawRoundedRect(tile.adjusted(1, 1, -1, -tile.height() / 2), radius - 1, radius - 1);
    QLinearGradient innerLine(tile.topLeft(), tile.bottomLeft());
    innerLine.setColorAt(0, QColor(255, 255, 255, 110));
    innerLine.setColorAt(0.5, QColor(255, 255, 255, 0));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(innerLine), 1));
    painter.drawRoundedRect(tile.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1.5, radius - 1.5);
    painter.setPen(Qt::NoPen);

    if (colours.glyphShadowAlpha > 0) {
        painter.setBrush(QColor(0, 0, 0, colours.glyphShadowAlpha));
        painter.drawPath(glyph.translated(0, 1));
    }
    painter.setBrush(colours.glyph);
    painter.drawPath(glyph);
    painter.end();
    return button;
}

QPainterPath placed(const QPainterPath& glyph, QSizeF box, QPointF centre, double scale) {
    return QTransform()
        .translate(centre.x(), centre.y())
        .scale(scale, scale)
        .translate(-box.width() / 2, -box.height() / 2)
        .map(glyph);
}

}  // namespace artwork
