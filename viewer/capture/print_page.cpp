#include "capture/print_page.h"

#include <algorithm>
#include <array>

namespace viewer {

namespace {

constexpr int kHalfPictureLayout = 2;

// Captions sit 300 twips under their picture, or closer in the four pictures layout, where the
// upper row's captions must clear the lower row.
constexpr PrintSlot slot(int pane, TwipsRect picture, int captionDrop) {
    constexpr std::array<const char*, 4> kDefaults{"Screen 1", "Screen 2", "Screen 3", "Screen 4"};
    return {pane, picture, QPoint(picture.left, picture.bottom - captionDrop),
            kDefaults[static_cast<std::size_t>(pane)]};
}

constexpr std::array kOnePicture{slot(0, {3200, -1000, 12800, -8200}, 300)};
constexpr std::array kTwoPictures{slot(0, {960, -2860, 8000, -8140}, 300),
                                  slot(1, {8100, -2860, 15140, -8140}, 300)};
constexpr std::array kTwoHalfPictures{slot(0, {3200, -1000, 8000, -8200}, 300),
                                      slot(1, {8300, -1000, 13100, -8200}, 300)};
constexpr std::array kFourPictures{
    slot(0, {1500, -400, 7900, -5200}, 100), slot(1, {8100, -400, 14300, -5200}, 100),
    slot(2, {1500, -5600, 7900, -10400}, 160), slot(3, {8100, -5600, 14300, -10400}, 160)};

}  // namespace

std::span<const PrintSlot> PrintSlotsOf(int layout) {
    switch (layout) {
        case 0:
            return kOnePicture;
        case 1:
            return kTwoPictures;
        case 2:
            return kTwoHalfPictures;
        case 3:
            return kFourPictures;
        default:
            return {};
    }
}

QRect PrintSourceRect(int layout, QSize picture, int scrollPosition) {
    const QRect whole(QPoint(0, 0), picture);
    if (layout != kHalfPictureLayout || picture.isEmpty()) {
        return whole;
    }
    const bool narrow = picture.width() == 640;
    const int width = std::min(narrow ? 320 : 640, picture.width());
    const int left =
        std::clamp(narrow ? scrollPosition : 2 * scrollPosition, 0, picture.width() - width);
    return {left, 0, width, picture.height()};
}

QRect TopDown(const TwipsRect& rect) {
    return {QPoint(rect.left, -rect.top), QPoint(rect.right - 1, -rect.bottom - 1)};
}

QPoint TopDown(QPoint point) {
    return {point.x(), -point.y()};
}

}  // namespace viewer
