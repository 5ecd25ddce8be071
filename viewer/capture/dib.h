// CDib: a device-independent bitmap held in memory, which the skinned dialogs draw as their
// background. It owns
// - a header: the 40-byte BITMAPINFOHEADER followed by the colour table (blue, green, red,
//   reserved per entry: 2 entries at 1 bit per pixel, 16 at 4, 256 at 8, none otherwise);
// - the pixel rows, bottom-up, each padded to a multiple of 4 bytes;
// - a palette, only for 8 bits per pixel or less.
// An empty CDib (new, or after a failed creation) has none of them, reports 0 everywhere and
// draws nothing. GUI thread.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "capture/dib_palette.h"

class QPainter;
class QRect;

class CDib {
public:
    CDib();
    virtual ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // Copies a block of the picture at its own scale to destination's top-left corner. The block
    // has destination's size and shares source's bottom-left corner (so it is source itself when
    // the two rectangles have the same size); what lies outside the picture is left undrawn.
    // Returns the number of picture rows drawn; 0 when empty.
    virtual int DrawPart(QPainter& painter, const QRect& destination, const QRect& source) const;
    // Scales the whole picture into the rectangle (nearest pixel when a palette is held, else
    // as the painter's hints say). Returns the picture's height; 0 when empty.
    virtual int DrawStretched(QPainter& painter, int x, int y, int width, int height) const;
    // DrawStretched at the picture's own size.
    virtual int Draw(QPainter& painter, int x, int y) const;

    // Replaces the contents with `picture`, read at `bitCount` bits per pixel: 1, 4 and 8 keep
    // that depth with a colour table of the picture's colours (when they fit; otherwise, and for
    // any other bit count, the picture becomes 24-bit blue-green-red). The one-argument form
    // takes the picture's own depth. Returns false, leaving the CDib empty, for a null picture or
    // when memory runs out.
    bool Create(const QImage& picture);
    bool Create(const QImage& picture, int bitCount);

    // Loads the bitmap resource `resourceId`, stored as BitmapResourcePath(resourceId), and
    // creates from it at the file's own bit count. Returns false when there is no such resource
    // or it cannot be read as a picture; the CDib then keeps what it held.
    bool LoadBitmapResource(int resourceId);
    // The same from any bitmap file (or other picture Qt reads).
    bool LoadBitmapFile(const QString& path);
    // ":/bitmap/<resourceId>.bmp": where bitmap resources live among the program's Qt resources.
    static QString BitmapResourcePath(int resourceId);

    // Makes the palette again from the colour table. Returns whether a palette is now held.
    bool RebuildPalette();

    int Width() const;
    int Height() const;
    int BitCount() const;
    // Colours of the palette: the header's colours-used when not 0, else 2 to the power of the
    // bit count for 8 bits or less; 0 for deeper pictures and when empty.
    int ColorCount() const;
    // The header and its colour table; empty when none is held.
    std::span<const std::uint8_t> Header() const { return header_; }
    // The colour table (4 bytes per entry); its data() is null when no header is held.
    std::span<const std::uint8_t> ColorTable() const;
    std::span<const std::uint8_t> Pixels() const { return pixels_; }
    const CDibPalette* Palette() const { return palette_.get(); }

private:
    void Clear();
    bool Fill(const QImage& picture, int bitCount);
    QImage Drawable() const;

    std::vector<std::uint8_t> pixels_;
    std::unique_ptr<CDibPalette> palette_;
    std::vector<std::uint8_t> header_;
    QImage drawable_;  // the same pixels top-down, ready for QPainter
};
