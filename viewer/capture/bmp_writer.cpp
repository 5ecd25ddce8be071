#include "capture/bmp_writer.h"

#include <QIODevice>
#include <QtEndian>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

#include "capture/frame_picture.h"

namespace viewer {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kHeadersBytes = kFileHeaderBytes + sizeof(BitmapInfoHeader);
constexpr std::int32_t kPixelsPerMeter96Dpi = 3780;

template <typename T>
void put(std::uint8_t* at, T value) {
    qToLittleEndian(value, at);
}

std::array<std::uint8_t, kHeadersBytes> headers(int width, int height, std::uint32_t imageBytes) {
    std::array<std::uint8_t, kHeadersBytes> bytes{};
    std::uint8_t* p = bytes.data();
    p[0] = 'B';
    p[1] = 'M';
    put<std::uint32_t>(p + 2, static_cast<std::uint32_t>(kHeadersBytes) + imageBytes);
    put<std::uint32_t>(p + 10, static_cast<std::uint32_t>(kHeadersBytes));  // pixel offset
    p += kFileHeaderBytes;
    put<std::uint32_t>(p, 40);
    put<std::int32_t>(p + 4, width);
    put<std::int32_t>(p + 8, height);
    put<std::uint16_t>(p + 12, 1);   // planes
    put<std::uint16_t>(p + 14, 24);  // bits per pixel
    put<std::uint32_t>(p + 16, 0);   // uncompressed
    put<std::uint32_t>(p + 20, imageBytes);
    put<std::int32_t>(p + 24, kPixelsPerMeter96Dpi);
    put<std::int32_t>(p + 28, kPixelsPerMeter96Dpi);
    return bytes;  // colours used and important stay 0
}

bool writeAll(QIODevice& out, const std::uint8_t* data, std::size_t size) {
    return out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
           static_cast<qint64>(size);
}

}  // namespace

bool writeBmp(const BottomUpRows& rows, QIODevice& out) {
    if (rows.width <= 0 || rows.height <= 0) {
        return false;
    }
    const std::size_t stride = rowStride(rows.width);
    const std::size_t imageBytes = stride * static_cast<std::size_t>(rows.height);
    if (imageBytes > std::numeric_limits<std::uint32_t>::max() - kHeadersBytes) {
        return false;
    }
    const auto head = headers(rows.width, rows.height, static_cast<std::uint32_t>(imageBytes));
    if (!writeAll(out, head.data(), head.size())) {
        return false;
    }
    // Rows without padding (every camera frame) are the file's rows as they stand: one write, no
    // copy. Others go row by row, so that the padding is zeros whatever the source held there.
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(rows.width);
    if (rows.stride == stride && stride == pixelBytes) {
        return writeAll(out, rows.bottom, imageBytes);
    }
    QByteArray line(static_cast<qsizetype>(stride), '\0');
    for (int y = 0; y < rows.height; ++y) {
        std::memcpy(line.data(), rows.row(y), pixelBytes);
        if (out.write(line) != line.size()) {
            return false;
        }
    }
    return true;
}

}  // namespace viewer
