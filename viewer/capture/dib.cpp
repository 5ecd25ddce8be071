#include "capture/dib.h"

#include <QFile>
#include <QPainter>
#include <QRect>
#include <QtEndian>

#include <cstring>
#include <new>

#include "capture/dib_rows.h"
#include "capture/frame_picture.h"

using viewer::BitmapInfoHeader;

namespace {

constexpr std::size_t kInfoHeaderBytes = sizeof(BitmapInfoHeader);

bool keepsIndices(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8;
}

// The picture as one colour index per byte, when its colours fit in 2^bitCount entries.
QImage asIndices(const QImage& picture, int bitCount) {
    const QImage indexed = picture.format() == QImage::Format_Indexed8
                               ? picture
                               : picture.convertToFormat(QImage::Format_Indexed8);
    if (indexed.isNull() || indexed.colorCount() > (1 << bitCount)) {
        return {};
    }
    return indexed;
}

// The bit count a bitmap file states; other pictures have none of their own.
int fileBitCount(const QByteArray& bytes, const QImage& image) {
    if (bytes.size() >= 30 && bytes.startsWith("BM")) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        const auto headerSize = qFromLittleEndian<quint32>(p + 14);
        // Old OS/2 headers keep it 4 bytes earlier.
        return qFromLittleEndian<quint16>(p + (headerSize == 12 ? 24 : 28));
    }
    return image.depth();
}

// Qt reads a 2-colour bitmap with its two table entries swapped (and every bit inverted to
// match); put the file's order back, so the colour table is the one the file has.
QImage withFileColorOrder(const QImage& image, const QByteArray& bytes) {
    if (image.depth() != 1 || image.colorCount() != 2 || bytes.size() < 62 ||
        !bytes.startsWith("BM")) {
        return image;
    }
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const auto headerSize = qFromLittleEndian<quint32>(p + 14);
    if (headerSize < 40 || bytes.size() < 14 + static_cast<qsizetype>(headerSize) + 8) {
        return image;
    }
    const uchar* table = p + 14 + headerSize;
    const QRgb first = qRgb(table[2], table[1], table[0]);
    const QRgb second = qRgb(table[6], table[5], table[4]);
    if (image.color(0) != second || image.color(1) != first || first == second) {
        return image;
    }
    QImage reordered = image;
    reordered.invertPixels();
    reordered.setColorTable({first, second});
    return reordered;
}

}  // namespace

CDib::CDib() = default;
CDib::~CDib() = default;

int CDib::DrawPart(QPainter& painter, const QRect& destination, const QRect& source) const {
    if (header_.empty() || !painter.isActive()) {
        return 0;
    }
    const QRect part(source.left(), source.top() + source.height() - destination.height(),
                     destination.width(), destination.height());
    const QRect inside = part.intersected(drawable_.rect());
    if (inside.isEmpty()) {
        return 0;
    }
    painter.drawImage(destination.topLeft() + (inside.topLeft() - part.topLeft()), drawable_,
                      inside);
    return inside.height();
}

int CDib::DrawStretched(QPainter& painter, int x, int y, int width, int height) const {
    if (header_.empty() || !painter.isActive()) {
        return 0;
    }
    painter.save();
    if (palette_) {
        // Indexed pictures are drawn colour on colour: smoothing would invent colours that are
        // not in the palette.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    painter.drawImage(QRect(x, y, width, height), drawable_);
    painter.restore();
    return Height();
}

int CDib::Draw(QPainter& painter, int x, int y) const {
    return DrawStretched(painter, x, y, Width(), Height());
}

bool CDib::Create(const QImage& picture) {
    return Create(picture, picture.depth());
}

bool CDib::Create(const QImage& picture, int bitCount) {
    Clear();
    bool filled = false;
    try {
        filled = Fill(picture, bitCount);
    } catch (const std::bad_alloc&) {
        filled = false;
    }
    if (!filled) {
        Clear();
        return false;
    }
    RebuildPalette();
    return true;
}

bool CDib::Fill(const QImage& picture, int bitCount) {
    if (picture.isNull()) {
        return false;
    }
    int depth = keepsIndices(bitCount) ? bitCount : 24;
    QImage source = depth == 24 ? QImage() : asIndices(picture, depth);
    if (source.isNull()) {
        depth = 24;
        source = picture.convertToFormat(QImage::Format_BGR888);
    }
    if (source.isNull()) {
        return false;
    }

    const int width = source.width();
    const int height = source.height();
    const std::size_t stride = viewer::dibStride(width, depth);
    pixels_.assign(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels_.data() + stride * static_cast<std::size_t>(height - 1 - y);
        const uchar* line = source.constScanLine(y);
        if (depth == 24) {
            std::memcpy(row, line, 3 * static_cast<std::size_t>(width));
        } else {
            viewer::packIndices(line, width, depth, row);
        }
    }

    const int entries = viewer::colorTableLength(depth);
    header_.assign(kInfoHeaderBytes + 4 * static_cast<std::size_t>(entries), 0);
    BitmapInfoHeader header;
    header.width = width;
    header.height = height;
    header.bitCount = static_cast<std::uint16_t>(depth);
    header.sizeImage = static_cast<std::uint32_t>(pixels_.size());
    viewer::writeHeader(header_, header);
    const QList<QRgb> colors = source.colorTable();
    for (int i = 0; i < entries && i < colors.size(); ++i) {
        std::uint8_t* entry = header_.data() + kInfoHeaderBytes + 4 * static_cast<std::size_t>(i);
        entry[0] = static_cast<std::uint8_t>(qBlue(colors[i]));
        entry[1] = static_cast<std::uint8_t>(qGreen(colors[i]));
        entry[2] = static_cast<std::uint8_t>(qRed(colors[i]));
    }

    drawable_ = Drawable();
    return !drawable_.isNull();
}

// What QPainter draws: made from the held rows and table, so that a draw shows exactly what
// the accessors report.
QImage CDib::Drawable() const {
    const int width = Width();
    const int height = Height();
    const int depth = BitCount();
    const std::size_t stride = viewer::dibStride(width, depth);
    QImage image(width, height, depth == 24 ? QImage::Format_BGR888 : QImage::Format_Indexed8);
    if (image.isNull()) {
        return {};
    }
    if (depth != 24) {
        image.setColorTable(CDibPalette(ColorTable(), viewer::colorTableLength(depth)).Colors());
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row =
            pixels_.data() + stride * static_cast<std::size_t>(height - 1 - y);
        if (depth == 24) {
            std::memcpy(image.scanLine(y), row, 3 * static_cast<std::size_t>(width));
        } else {
            viewer::unpackIndices(row, width, depth, image.scanLine(y));
        }
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

bool CDib::LoadBitmapResource(int resourceId) {
    return LoadBitmapFile(BitmapResourcePath(resourceId));
}

bool CDib::LoadBitmapFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        return false;
    }
    return Create(withFileColorOrder(image, bytes), fileBitCount(bytes, image));
}

QString CDib::BitmapResourcePath(int resourceId) {
    return QStringLiteral(":/bitmap/%1.bmp").arg(resourceId);
}

bool CDib::RebuildPalette() {
    palette_.reset();
    if (!header_.empty() && BitCount() <= 8) {
        palette_ = std::make_unique<CDibPalette>(ColorTable(), ColorCount());
    }
    return palette_ != nullptr;
}

int CDib::Width() const {
    return header_.empty() ? 0 : viewer::readHeader(header_).width;
}

int CDib::Height() const {
    return header_.empty() ? 0 : viewer::readHeader(header_).height;
}

int CDib::BitCount() const {
    return header_.empty() ? 0 : viewer::readHeader(header_).bitCount;
}

int CDib::ColorCount() const {
    if (header_.empty()) {
        return 0;
    }
    const BitmapInfoHeader header = viewer::readHeader(header_);
    if (header.clrUsed != 0) {
        return static_cast<int>(header.clrUsed);
    }
    return header.bitCount <= 8 ? 1 << header.bitCount : 0;
}

std::span<const std::uint8_t> CDib::ColorTable() const {
    if (header_.empty()) {
        return {};
    }
    return std::span<const std::uint8_t>(header_).subspan(kInfoHeaderBytes);
}

void CDib::Clear() {
    pixels_.clear();
    pixels_.shrink_to_fit();
    palette_.reset();
    header_.clear();
    header_.shrink_to_fit();
    drawable_ = QImage();
}
