#include "brand.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "glyphs.h"
#include "palette.h"

namespace artwork {
namespace {

// The lens of the logo and the icon: a deep rim around a blue glass with a catch light.
void drawLens(QPainter& painter, QPointF centre, double radius) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBrandDeep);
    painter.drawEllipse(centre, radius, radius);
    const double glass = radius * 0.76;
    QRadialGradient shine(centre - QPointF(glass, glass) * 0.35, glass * 1.5);
    shine.setColorAt(0, kBrandLight);
    shine.setColorAt(1, kBrandDark);
    painter.setBrush(shine);
    painter.drawEllipse(centre, glass, glass);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawEllipse(centre - QPointF(glass, glass) * 0.38, glass * 0.26, glass * 0.26);
}

// Lettering drawn along centre lines, so one pen width sets the weight of every letter.
struct Lettering {
    QPainterPath lines;
    QPointF lensCentre;
    double lensRadius = 0;
};

// "e-Nodra" with a stroke of 4: bowls of centre-line radius 7, x-height 18, cap height 26.
Lettering productName() {
    constexpr double stroke = 4, bowl = 7, gap = 4.5;
    constexpr double baseline = 24, xHeightLine = baseline - 2 * bowl, capLine = baseline - 22;
    constexpr double bowlCentreY = baseline - bowl;
    Lettering name;
    QPainterPath& path = name.lines;
    double x = stroke / 2;  // centre line of the current letter's left side
    auto bowlRect = [&](double left) {
        return QRectF(left, bowlCentreY - bowl, 2 * bowl, 2 * bowl);
    };
    // e: the bar, then round from its right end over the top to the lower right.
    path.moveTo(x, bowlCentreY);
    path.lineTo(x + 2 * bowl, bowlCentreY);
    path.arcTo(bowlRect(x), 0, 305);
    x += 2 * bowl + stroke + gap;
    // -
    path.moveTo(x, bowlCentreY);
    path.lineTo(x + 4, bowlCentreY);
    x += 4 + stroke + gap;
    // N
    path.moveTo(x, baseline);
    path.lineTo(x, capLine);
    path.lineTo(x + 13, baseline);
    path.lineTo(x + 13, capLine);
    x += 13 + stroke + gap;
    // o: the lens, drawn apart in colour.
    name.lensCentre = QPointF(x + bowl, bowlCentreY);
    name.lensRadius = bowl + stroke / 2;
    x += 2 * bowl + stroke + gap;
    // d
    path.addEllipse(bowlRect(x));
    path.moveTo(x + 2 * bowl, capLine);
    path.lineTo(x + 2 * bowl, baseline);
    x += 2 * bowl + stroke + gap;
    // r
    path.moveTo(x, baseline);
    path.lineTo(x, xHeightLine);
    path.moveTo(x, bowlCentreY);
    path.arcTo(QRectF(x, xHeightLine, 2 * bowl, 2 * bowl), 180, -95);
    x += bowl + stroke + gap;
    // a
    path.addEllipse(bowlRect(x));
    path.moveTo(x + 2 * bowl, xHeightLine);
    path.lineTo(x + 2 * bowl, baseline);
    return name;
}

// "VIEWER" in small capitals, 7 high, for the line under the name. Returns its width.
double viewerCaption(QPainterPath& path) {
    constexpr double h = 7, tracking = 3.2;
    double x = 0;
    path.moveTo(x, 0);  // V
    path.lineTo(x + 3, h);
    path.lineTo(x + 6, 0);
    x += 6 + tracking;
    path.moveTo(x, 0);  // I
    path.lineTo(x, h);
    x += tracking;
    auto letterE = [&] {
        path.moveTo(x + 4.5, 0);
        path.lineTo(x, 0);
        path.lineTo(x, h);
        path.lineTo(x + 4.5, h);
        path.moveTo(x, h / 2);
        path.lineTo(x + 3.8, h / 2);
        x += 4.5 + tracking;
    };
    letterE();
    path.moveTo(x, 0);  // W
    path.lineTo(x + 2, h);
    path.lineTo(x + 4, 1.8);
    path.lineTo(x + 6, h);
    path.lineTo(x + 8, 0);
    x += 8 + tracking;
    letterE();
    path.moveTo(x, h);  // R
    path.lineTo(x, 0);
    path.lineTo(x + 2.6, 0);
    path.cubicTo(x + 5.3, 0, x + 5.3, 3.8, x + 2.6, 3.8);
    path.lineTo(x, 3.8);
    path.moveTo(x + 2.4, 3.8);
    path.lineTo(x + 5, h);
    return x + 5;
}

// The icon on its 256 grid.
void drawIcon(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    const QRectF plate(16, 16, 224, 224);
    QLinearGradient blue(plate.topLeft(), plate.bottomLeft());
    blue.setColorAt(0, kBrandLight);
    blue.setColorAt(1, kBrandDark);
    painter.setBrush(blue);
    painter.drawRoundedRect(plate, 52, 52);
    QLinearGradient gloss(0, 16, 0, 128);
    gloss.setColorAt(0, QColor(255, 255, 255, 56));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setBrush(gloss);
    painter.drawRoundedRect(plate, 52, 52);

    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(92, 62, 72, 40), 12, 12);
    painter.drawRoundedRect(QRectF(40, 84, 176, 120), 24, 24);
    painter.setBrush(kBrandLight);
    painter.drawEllipse(QPointF(186, 110), 8, 8);
    drawLens(painter, QPointF(128, 146), 46);
}

}  // namespace

QImage logo() {
    QImage picture(150, 87, QImage::Format_RGB32);
    picture.fill(kWindowBackground);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    const Lettering name = productName();
    const double nameWidth = name.lines.boundingRect().right() + 2;
    const QPointF nameOrigin((picture.width() - nameWidth) / 2, 20);
    painter.translate(nameOrigin);
    painter.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(name.lines);
    drawLens(painter, name.lensCentre, name.lensRadius);
    painter.resetTransform();

    QPainterPath caption;
    const double captionWidth = viewerCaption(caption);
    const double captionLeft = (picture.width() - captionWidth) / 2;
    constexpr double captionTop = 56;
    painter.setPen(QPen(kInkSoft, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(caption.translated(captionLeft, captionTop));
    // Rules either side of the caption in the lens's blue tie the two lines together.
    painter.setPen(QPen(kBrandDark, 1.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(nameOrigin.x() + 2, captionTop + 3.5),
                     QPointF(captionLeft - 8, captionTop + 3.5));
    painter.drawLine(QPointF(captionLeft + captionWidth + 8, captionTop + 3.5),
                     QPointF(nameOrigin.x() + nameWidth - 2, captionTop + 3.5));
    return picture;
}

QImage appIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    drawIcon(painter);
    painter.end();
    return icon.convertToFormat(QImage::Format_ARGB32);
}

QImage pointingHandCursor(QPoint hotSpot) {
    // Drawn with the fingertip at (0, 0).
    QPainterPath hand;
    auto add = [&hand](double x, double y, double width, double height, double radius) {
        QPainterPath part;
        part.addRoundedRect(QRectF(x, y, width, height), radius, radius);
        hand = hand.united(part);
    };
    add(-2.5, 0, 5, 16, 2.5);        // index finger
    add(-2.5, 12.5, 16.5, 13.5, 4);  // palm
    add(2, 8.5, 4.5, 9, 2.25);       // middle finger
    add(6.2, 9.8, 4.3, 9, 2.15);     // ring finger
    add(10.3, 11.4, 3.7, 8, 1.85);   // little finger
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-9, -2.3, 10, 4.6), 2.3, 2.3);
    hand = hand.united(QTransform().translate(-1, 18).rotate(40).map(thumb)).simplified();

    QImage cursor(32, 32, QImage::Format_ARGB32_Premultiplied);
    cursor.fill(Qt::transparent);
    QPainter painter(&cursor);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(hotSpot.x() + 0.5, hotSpot.y() + 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(strokedOutline(hand, 3));
    painter.setBrush(Qt::black);
    painter.drawPath(hand);
    // Gaps between the folded fingers, on whole pixels so they stay crisp.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(QPointF(2, 12), QPointF(2, 16));
    painter.drawLine(QPointF(6, 13), QPointF(6, 17));
    painter.drawLine(QPointF(10, 14), QPointF(10, 18));
    painter.end();
    return cursor.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace artwork
