#include "glyphs.h"

#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>

namespace artwork {
namespace {

QPainterPath roundedRect(double x, double y, double width, double height, double radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, width, height), radius, radius);
    return path;
}

QPainterPath circle(QPointF centre, double radius) {
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

// The same shape turned about the box centre (12, 12) by `degrees`.
QPainterPath turned(const QPainterPath& path, double degrees) {
    return QTransform().translate(12, 12).rotate(degrees).translate(-12, -12).map(path);
}

}  // namespace

QPainterPath strokedOutline(const QPainterPath& line, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath cameraGlyph() {
    const QPointF lensCentre(12, 13.6);
    QPainterPath body = roundedRect(1.5, 7, 21, 13.5, 3).united(roundedRect(7.5, 4, 9, 5, 1.6));
    body = body.subtracted(circle(lensCentre, 5.4));
    body = body.united(circle(lensCentre, 3.4)).subtracted(circle({18.6, 10}, 1));
    return body.simplified();
}

QPainterPath pauseGlyph() {
    return roundedRect(5.5, 4.5, 4.8, 15, 1.4).united(roundedRect(13.7, 4.5, 4.8, 15, 1.4));
}

QPainterPath playGlyph() {
    QPainterPath triangle;
    triangle.addPolygon(QPolygonF({{8, 5.2}, {8, 18.8}, {19.2, 12}, {8, 5.2}}));
    triangle.closeSubpath();
    // Rounding the corners with a stroke keeps the triangle's optical weight in line with the bars.
    return triangle.united(strokedOutline(triangle, 2.4)).simplified();
}

QPainterPath gearGlyph() {
    QPainterPath gear = circle({12, 12}, 7.2);
    const QPainterPath tooth = roundedRect(10.1, 1.6, 3.8, 6, 1.1);
    for (int i = 0; i < 8; ++i) {
        gear = gear.united(turned(tooth, i * 45.0));
    }
    return gear.subtracted(circle({12, 12}, 3.2)).simplified();
}

QPainterPath printerGlyph() {
    QPainterPath printer = roundedRect(6.5, 2.5, 11, 6.5, 1);  // paper waiting on top
    printer = printer.united(roundedRect(1.5, 8, 21, 10, 2.4));
    printer = printer.subtracted(roundedRect(5.5, 13, 13, 9.5, 1));  // slot around the print
    printer = printer.subtracted(circle({18.8, 10.8}, 0.95));        // power lamp
    QPainterPath sheet = roundedRect(6.8, 14.3, 10.4, 7.7, 0.8);
    sheet = sheet.subtracted(roundedRect(8.5, 16.2, 7, 1.2, 0.6));
    sheet = sheet.subtracted(roundedRect(8.5, 18.8, 4.6, 1.2, 0.6));
    return printer.united(sheet).simplified();
}

QPainterPath expandGlyph() {
    QPainterPath arrow;
    arrow.moveTo(9.6, 9.6);
    arrow.lineTo(4.2, 4.2);
    arrow.moveTo(3.8, 10.2);
    arrow.lineTo(3.8, 3.8);
    arrow.lineTo(10.2, 3.8);
    const QPainterPath corner = strokedOutline(arrow, 2.5);
    QPainterPath arrows;
    for (int i = 0; i < 4; ++i) {
        arrows = arrows.united(turned(corner, i * 90.0));
    }
    return arrows.simplified();
}

QPainterPath wasteBasketGlyph() {
    QPainterPath lid = roundedRect(3.5, 5, 17, 2.6, 1.2);
    lid = lid.united(
        roundedRect(9, 2.5, 6, 3.5, 1.2).subtracted(roundedRect(10.6, 3.8, 2.8, 3, 0.5)));
    QPainterPath bin;
    bin.moveTo(5.2, 9);
    bin.lineTo(18.8, 9);
    bin.lineTo(17.6, 20);
    bin.quadTo(17.4, 21.5, 15.8, 21.5);
    bin.lineTo(8.2, 21.5);
    bin.quadTo(6.6, 21.5, 6.4, 20);
    bin.closeSubpath();
    for (const double x : {8.8, 11.3, 13.8}) {
        bin = bin.subtracted(roundedRect(x, 11.5, 1.4, 7.5, 0.7));
    }
    return lid.united(bin).simplified();
}

QPainterPath layoutGlyph(ScreenLayout layout) {
    constexpr double gap = 2.2;
    constexpr double radius = 1.4;
    constexpr double halfWidth = (kLayoutGlyphWidth - gap) / 2;
    QPainterPath screens;
    switch (layout) {
        case ScreenLayout::One:
            screens = roundedRect(0, 0, kLayoutGlyphWidth, kLayoutGlyphHeight, radius);
            break;
        case ScreenLayout::TwoSideBySide: {
            // Two short pictures keep the camera's 4:3 shape, so they sit in the middle band.
            const double height = halfWidth * 3 / 4;
            const double top = (kLayoutGlyphHeight - height) / 2;
            screens = roundedRect(0, top, halfWidth, height, radius)
                          .united(roundedRect(halfWidth + gap, top, halfWidth, height, radius));
            break;
        }
        case ScreenLayout::TwoTall:
            screens =
                roundedRect(0, 0, halfWidth, kLayoutGlyphHeight, radius)
                    .united(roundedRect(halfWidth + gap, 0, halfWidth, kLayoutGlyphHeight, radius));
            break;
        case ScreenLayout::Four: {
            const double halfHeight = (kLayoutGlyphHeight - gap) / 2;
            for (const double x : {0.0, halfWidth + gap}) {
                for (const double y : {0.0, halfHeight + gap}) {
                    screens = screens.united(roundedRect(x, y, halfWidth, halfHeight, radius));
                }
            }
            break;
        }
    }
    return screens;
}

QPainterPath idGlyph() {
    constexpr double stroke = 2;
    constexpr double half = stroke / 2;
    QPainterPath letters;
    letters.moveTo(half, half);
    letters.lineTo(half, kIdGlyphHeight - half);
    // A "D": stem, then a bowl of two quarter curves joined by a short upright.
    const double stem = 5;
    const double right = kIdGlyphWidth - half;
    letters.moveTo(stem, half);
    letters.lineTo(stem, kIdGlyphHeight - half);
    letters.lineTo(stem + 2.6, kIdGlyphHeight - half);
    letters.quadTo(right, kIdGlyphHeight - half, right, kIdGlyphHeight / 2 + 1.2);
    letters.lineTo(right, kIdGlyphHeight / 2 - 1.2);
    letters.quadTo(right, half, stem + 2.6, half);
    letters.closeSubpath();
    QPainterPathStroker stroker;
    stroker.setWidth(stroke);
    stroker.setCapStyle(Qt::SquareCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    return stroker.createStroke(letters).simplified();
}

}  // namespace artwork
