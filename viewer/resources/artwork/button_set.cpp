#include "button_set.h"

#include "glyphs.h"
#include "palette.h"
#include "tiles.h"

namespace artwork {
namespace {

constexpr QSize kPictureButton{50, 52};
constexpr QSize kLayoutButton{45, 36};
constexpr QSize kIdButton{32, 20};

enum class Backdrop { Panel, Window };

struct ButtonDesign {
    res::ButtonBitmaps bitmaps;
    QSize size;
    QPoint position;  // on the panel, or in the main view for the window backdrop
    Backdrop backdrop;
    QPainterPath glyph;  // in button coordinates
};

// Picture buttons: a 46 x 46 tile leaves the bottom rows free for the shadow, and for the
// 2-pixel overlap of neighbouring buttons in the panel's column.
constexpr double kTileMargin = 2;

// Glyphs sit on the tile's centre, not the button's: the free rows are at the bottom.
QPainterPath pictureGlyph(const QPainterPath& glyph) {
    return placed(glyph, {24, 24}, {25, 25}, 1.25);
}

QPainterPath screensGlyph(ScreenLayout layout) {
    return placed(layoutGlyph(layout), {kLayoutGlyphWidth, kLayoutGlyphHeight}, {22.5, 17.5}, 0.95);
}

std::vector<ButtonDesign> designs() {
    using B = Backdrop;
    return {
        {res::kFullScreenBitmaps, kPictureButton, {41, 72}, B::Panel, pictureGlyph(expandGlyph())},
        {res::kCaptureBitmaps, kPictureButton, {41, 122}, B::Panel, pictureGlyph(cameraGlyph())},
        {res::kFreezeBitmaps, kPictureButton, {41, 172}, B::Panel, pictureGlyph(pauseGlyph())},
        {res::kPreviewBitmaps, kPictureButton, {41, 172}, B::Panel, pictureGlyph(playGlyph())},
        {res::kSettingBitmaps, kPictureButton, {41, 222}, B::Panel, pictureGlyph(gearGlyph())},
        {res::kPrintBitmaps, kPictureButton, {41, 272}, B::Panel, pictureGlyph(printerGlyph())},
        {res::kLayout1Bitmaps, kLayoutButton, {21, 322}, B::Panel, screensGlyph(ScreenLayout::One)},
        {res::kLayout2Bitmaps,
         kLayoutButton,
         {66, 322},
         B::Panel,
         screensGlyph(ScreenLayout::TwoSideBySide)},
        {res::kLayout2HalfBitmaps,
         kLayoutButton,
         {21, 358},
         B::Panel,
         screensGlyph(ScreenLayout::TwoTall)},
        {res::kLayout4Bitmaps,
         kLayoutButton,
         {66, 358},
         B::Panel,
         screensGlyph(ScreenLayout::Four)},
        {res::kIdBitmaps,
         kIdButton,
         {93, 10},
         B::Panel,
         placed(idGlyph(), {kIdGlyphWidth, kIdGlyphHeight}, {16, 9}, 1)},
        {res::kBasketBitmaps, kPictureButton, kBasketPosition, B::Window,
         pictureGlyph(wasteBasketGlyph())},
    };
}

QRectF tileRect(QSize size) {
    if (size == kIdButton) {
        return QRectF(1, 1, 30, 17);
    }
    if (size == kLayoutButton) {
        return QRectF(kTileMargin, kTileMargin, 41, 31);
    }
    return QRectF(kTileMargin, kTileMargin, 46, 46);
}

double tileRadius(QSize size) {
    if (size == kPictureButton) {
        return 10;
    }
    return size == kLayoutButton ? 8 : 5;
}

}  // namespace

std::vector<ButtonPictures> renderButtons(const QImage& panel) {
    std::vector<ButtonPictures> buttons;
    for (const ButtonDesign& design : designs()) {
        QImage backdrop(design.size, QImage::Format_RGB32);
        if (design.backdrop == Backdrop::Panel) {
            backdrop = panel.copy(QRect(design.position, design.size));
        } else {
            backdrop.fill(kWindowBackground);
        }
        const QRectF tile = tileRect(design.size);
        const double radius = tileRadius(design.size);
        const QPainterPath& glyph = design.glyph;
        buttons.push_back({design.bitmaps, tileButton(backdrop, tile, radius, glyph, kNormalTile),
                           tileButton(backdrop, tile, radius, glyph, kHoverTile),
                           tileButton(backdrop, tile, radius, glyph, kDisabledTile)});
    }
    return buttons;
}

std::vector<PanelPlace> panelPlaces() {
    std::vector<PanelPlace> places;
    for (const ButtonDesign& design : designs()) {
        if (design.backdrop == Backdrop::Panel) {
            places.push_back({design.bitmaps, design.position});
        }
    }
    return places;
}

}  // namespace artwork
