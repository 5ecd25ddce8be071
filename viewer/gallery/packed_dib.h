// CPackedDib: the print picture, one packed device-independent bitmap held in memory.
#pragma once

#include <QtGui/qrgb.h>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

class CPackedDib {
public:
    // Takes `block` (a 40-byte BITMAPINFOHEADER or 12-byte BITMAPCOREHEADER, the colour table if
    // any, then the rows), replacing what was held. Width and height are read from the header and
    // a palette is built from the colour table of a 1, 4 or 8 bit picture. Returns false and holds
    // nothing when the block is too short for a header; the caption is kept either way.
    bool Attach(QByteArray block);

    // Frees the bitmap and the palette and empties the caption.
    void Clear();

    bool IsEmpty() const { return m_block.isEmpty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The whole packed bitmap, header first.
    const QByteArray& Block() const { return m_block; }
    // Colours of the colour table; empty for pictures of more than 8 bits.
    const QList<QRgb>& Palette() const { return m_palette; }

    // A top-down copy of a held 24-bit uncompressed picture, for drawing; null otherwise.
    QImage ToImage() const;

    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption) { m_caption = caption; }

private:
    QByteArray m_block;
    int m_width = 0;
    int m_height = 0;
    QList<QRgb> m_palette;
    QString m_caption;
};
