#include "gallery/packed_dib.h"

#include "capture/frame_picture.h"

#include <QtEndian>
#include <algorithm>
#include <cstdint>

namespace {

constexpr qsizetype kCoreHeaderBytes = 12;

template <typename T>
T readLe(const QByteArray& block, qsizetype offset) {
    return qFromLittleEndian<T>(block.constData() + offset);
}

}  // namespace

bool CPackedDib::Attach(QByteArray block) {
    const QString caption = m_caption;
    Clear();
    m_caption = caption;
    if (block.size() < 4) {
        return false;
    }
    const auto headerBytes = static_cast<qsizetype>(readLe<std::uint32_t>(block, 0));
    const bool core = headerBytes == kCoreHeaderBytes;
    if ((!core && headerBytes < 40) || block.size() < headerBytes) {
        return false;
    }
    const int bits = core ? readLe<std::uint16_t>(block, 10) : readLe<std::uint16_t>(block, 14);
    m_width = core ? readLe<std::uint16_t>(block, 4) : readLe<std::int32_t>(block, 4);
    m_height = core ? readLe<std::uint16_t>(block, 6) : readLe<std::int32_t>(block, 8);

    if (bits == 1 || bits == 4 || bits == 8) {
        const qsizetype named = core ? 0 : readLe<std::uint32_t>(block, 32);
        const qsizetype entryBytes = core ? 3 : 4;
        // A count the block cannot hold is cut to the entries actually present.
        const qsizetype present = (block.size() - headerBytes) / entryBytes;
        const qsizetype count = std::min(named != 0 ? named : qsizetype{1} << bits, present);
        for (qsizetype i = 0; i < count; ++i) {
            const auto* entry = reinterpret_cast<const std::uint8_t*>(block.constData() +
                                                                      headerBytes + i * entryBytes);
            m_palette.append(qRgb(entry[2], entry[1], entry[0]));
        }
    }
    m_block = std::move(block);
    return true;
}

void CPackedDib::Clear() {
    m_block.clear();
    m_width = 0;
    m_height = 0;
    m_palette.clear();
    m_caption.clear();
}

QImage CPackedDib::ToImage() const {
    if (m_block.size() < static_cast<qsizetype>(viewer::kFrameHeaderBytes)) {
        return {};
    }
    const auto header = viewer::readHeader(std::span(
        reinterpret_cast<const std::uint8_t*>(m_block.constData()), viewer::kFrameHeaderBytes));
    if (header.size != viewer::kFrameHeaderBytes || header.bitCount != 24 ||
        header.compression != 0 || header.width <= 0 || header.height <= 0) {
        return {};
    }
    const auto stride = static_cast<qsizetype>(viewer::rowStride(header.width));
    if ((m_block.size() - 40) / stride < header.height) {
        return {};
    }
    const QImage bottomUp(reinterpret_cast<const uchar*>(m_block.constData()) + 40, header.width,
                          header.height, stride, QImage::Format_BGR888);
    return bottomUp.mirrored();
}
