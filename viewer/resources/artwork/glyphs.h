// Button glyphs as filled paths. The picture-button glyphs live in a 24 x 24 box (centre 12, 12)
// so every tile scales them alike; the layout glyphs in a 28 x 20 box, the "ID" text in 12 x 10.
#pragma once

#include <QPainterPath>

namespace artwork {

QPainterPath cameraGlyph();       // Capture
QPainterPath pauseGlyph();        // Freeze
QPainterPath playGlyph();         // Preview: back to live
QPainterPath gearGlyph();         // Setting
QPainterPath printerGlyph();      // Print
QPainterPath expandGlyph();       // FullScreen: four arrows pointing out
QPainterPath wasteBasketGlyph();  // Basket

enum class ScreenLayout { One, TwoSideBySide, TwoTall, Four };
inline constexpr double kLayoutGlyphWidth = 28;
inline constexpr double kLayoutGlyphHeight = 20;
QPainterPath layoutGlyph(ScreenLayout layout);

inline constexpr double kIdGlyphWidth = 12;
inline constexpr double kIdGlyphHeight = 10;
QPainterPath idGlyph();

// A line drawn with round caps and joins, as a fillable outline.
QPainterPath strokedOutline(const QPainterPath& line, double width);

}  // namespace artwork
