// The palette of a picture of 8 bits per pixel or less, made from its colour table.
#pragma once

#include <QList>
#include <QRgb>

#include <cstdint>
#include <span>

class CDibPalette {
public:
    // `colorTable` holds 4 bytes per entry (blue, green, red, reserved); the palette takes its
    // first `colorCount` entries, or as many as the table holds when it is shorter.
    CDibPalette(std::span<const std::uint8_t> colorTable, int colorCount);

    // Opaque colours, entry i from colour-table entry i.
    const QList<QRgb>& Colors() const { return colors_; }

private:
    QList<QRgb> colors_;
};
