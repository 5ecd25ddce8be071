#include "contact_sheet.h"

#include <QPainter>

#include "brand.h"
#include "palette.h"

namespace artwork {
namespace {

const QImage& pictureOf(const ButtonPictures& button, int state) {
    return state == 0 ? button.normal : state == 1 ? button.hover : button.disabled;
}

const ButtonPictures* find(const std::vector<ButtonPictures>& buttons, int normalBitmap) {
    for (const ButtonPictures& button : buttons) {
        if (button.bitmaps.normal == normalBitmap) {
            return &button;
        }
    }
    return nullptr;
}

// The panel as the viewer shows it, with the edit and radio buttons the program adds sketched in.
QImage panelInState(const QImage& panel, const std::vector<ButtonPictures>& buttons, int state) {
    QImage shown = panel.copy();
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(122, 138, 156));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(7.5, 10.5, 84, 17));
    for (const int y : {37, 57}) {
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(37.5, y + 2.5, 11, 11));
        painter.setPen(Qt::black);
        painter.drawText(QRect(53, y, 70, 16), Qt::AlignVCenter,
                         y == 37 ? QStringLiteral("640X480") : QStringLiteral("1280X960"));
        painter.setPen(QColor(122, 138, 156));
    }
    for (const PanelPlace& place : panelPlaces()) {
        // Freeze and Preview share a place; the sheet shows Freeze there, Preview in the strip.
        if (place.bitmaps.normal == res::kPreviewBitmaps.normal) {
            continue;
        }
        if (const ButtonPictures* button = find(buttons, place.bitmaps.normal)) {
            painter.drawImage(place.position, pictureOf(*button, state));
        }
    }
    return shown;
}

}  // namespace

QImage contactSheet(const QImage& panel, const std::vector<ButtonPictures>& buttons,
                    const QImage& logo, const QImage& cursor) {
    QImage sheet(860, 740, QImage::Format_RGB32);
    sheet.fill(kWindowBackground);
    QPainter painter(&sheet);
    for (int state = 0; state < 3; ++state) {
        painter.drawImage(20 + state * 150, 20, panelInState(panel, buttons, state));
    }
    painter.drawImage(480, 20, logo);

    // Every button in its three states, in a strip on the window background.
    int x = 480;
    int y = 130;
    for (const ButtonPictures& button : buttons) {
        for (int state = 0; state < 3; ++state) {
            painter.drawImage(x, y + state * 56, pictureOf(button, state));
        }
        x += 56;
        if (x > 760) {
            x = 480;
            y += 175;
        }
    }

    x = 20;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        painter.drawImage(x, 590, appIcon(size));
        x += size + 14;
    }
    // The cursor at four times its size on light and dark, then at its own size.
    const QImage big =
        cursor.scaled(cursor.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation);
    painter.fillRect(QRect(420, 590, 128, 128), QColor(40, 44, 52));
    painter.drawImage(420, 590, big);
    painter.drawImage(560, 590, big);
    painter.drawImage(700, 590, cursor);
    painter.end();
    return sheet;
}

}  // namespace artwork
