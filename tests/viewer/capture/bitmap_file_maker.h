// Bitmap files written byte by byte for the CDib tests, independently of Qt's writer and of the
// code under test.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>

#include <functional>

// Value of the pixel at column x, row y from the top: a colour index at 1, 4 and 8 bits per
// pixel, a 0xRRGGBB colour at 16 (5-5-5), 24 and 32.
using BitmapValue = std::function<quint32(int x, int y)>;

QByteArray bitmapFile(int width, int height, int bitCount, const QList<QRgb>& colorTable,
                      const BitmapValue& value);

// 2^bitCount clearly different colours.
QList<QRgb> distinctColors(int bitCount);
