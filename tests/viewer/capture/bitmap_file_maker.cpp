#include "bitmap_file_maker.h"

#include <QtEndian>

namespace {

void append32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void append16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

}  // namespace

QByteArray bitmapFile(int width, int height, int bitCount, const QList<QRgb>& colorTable,
                      const BitmapValue& value) {
    const int stride = (width * bitCount + 31) / 32 * 4;
    const auto tableBytes = static_cast<quint32>(4 * colorTable.size());
    const quint32 offset = 54 + tableBytes;
    QByteArray out;
    out.append("BM");
    append32(out, offset + static_cast<quint32>(stride * height));
    append32(out, 0);
    append32(out, offset);
    append32(out, 40);
    append32(out, static_cast<quint32>(width));
    append32(out, static_cast<quint32>(height));
    append16(out, 1);
    append16(out, static_cast<quint16>(bitCount));
    append32(out, 0);  // uncompressed
    append32(out, static_cast<quint32>(stride * height));
    append32(out, 2835);
    append32(out, 2835);
    append32(out, static_cast<quint32>(colorTable.size()));
    append32(out, 0);
    for (QRgb color : colorTable) {
        append32(out, color & 0xFFFFFF);  // blue, green, red, 0 in file order
    }
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        auto* bytes = reinterpret_cast<uchar*>(row.data());
        for (int x = 0; x < width; ++x) {
            const quint32 v = value(x, y);
            if (bitCount <= 8) {
                const int bit = x * bitCount;
                bytes[bit / 8] |= static_cast<uchar>(v << (8 - bitCount - bit % 8));
            } else if (bitCount == 16) {
                const auto packed = static_cast<quint16>(((qRed(v) >> 3) << 10) |
                                                         ((qGreen(v) >> 3) << 5) | (qBlue(v) >> 3));
                qToLittleEndian(packed, bytes + 2 * x);
            } else {
                const int bytesPerPixel = bitCount / 8;
                bytes[bytesPerPixel * x] = static_cast<uchar>(qBlue(v));
                bytes[bytesPerPixel * x + 1] = static_cast<uchar>(qGreen(v));
                bytes[bytesPerPixel * x + 2] = static_cast<uchar>(qRed(v));
            }
        }
        out.append(row);
    }
    return out;
}

QList<QRgb> distinctColors(int bitCount) {
    QList<QRgb> colors;
    for (int i = 0; i < (1 << bitCount); ++i) {
        colors.append(qRgb((i * 37 + 11) & 0xFF, (i * 91 + 70) & 0xFF, (255 - i) & 0xFF));
    }
    return colors;
}
