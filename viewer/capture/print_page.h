// Where the printed page puts the panes' pictures and their captions. Page positions are twips
// (1440 per inch) from the top-left corner of the printable area with y growing upward, as a
// printer's twips mapping has them: everything on the page lies at negative y.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <span>

namespace viewer {

inline constexpr int kTwipsPerInch = 1440;

// Left, top, right, bottom in twips, y upward (top > bottom).
struct TwipsRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const TwipsRect&) const = default;
};

// One pane's place on the page.
struct PrintSlot {
    int pane = 0;
    TwipsRect picture;
    // The caption's top-left corner: the text hangs below it, clear of the picture.
    QPoint caption;
    // Given to a pane whose caption is still empty; the pane keeps it.
    const char* defaultCaption = "";
};

// The slots of screen layout `layout` in pane order. Full screen and unknown layouts print an
// empty page.
std::span<const PrintSlot> PrintSlotsOf(int layout);

// The columns of a print picture `picture` that go on the page: all of it, except in the two half
// pictures layout, where the pane shows only half its picture: from the scroll position s to
// s + 320 on a 640-wide picture, from 2s to 2s + 640 on any other width. The window is kept inside
// the picture, so a narrow picture never reads columns it does not have.
QRect PrintSourceRect(int layout, QSize picture, int scrollPosition);

// Page positions for a painter: twips with y growing downward.
QRect TopDown(const TwipsRect& rect);
QPoint TopDown(QPoint point);

}  // namespace viewer
