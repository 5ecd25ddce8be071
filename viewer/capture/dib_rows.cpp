#include "capture/dib_rows.h"

namespace viewer {

int colorTableLength(int bitCount) noexcept {
    switch (bitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

void packIndices(const std::uint8_t* indices, int width, int bitCount, std::uint8_t* row) noexcept {
    const int perByte = 8 / bitCount;
    const auto mask = static_cast<std::uint8_t>((1u << bitCount) - 1);
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bitCount * (x % perByte + 1);
        row[x / perByte] |= static_cast<std::uint8_t>((indices[x] & mask) << shift);
    }
}

void unpackIndices(const std::uint8_t* row, int width, int bitCount,
                   std::uint8_t* indices) noexcept {
    const int perByte = 8 / bitCount;
    const auto mask = static_cast<std::uint8_t>((1u << bitCount) - 1);
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bitCount * (x % perByte + 1);
        indices[x] = static_cast<std::uint8_t>((row[x / perByte] >> shift) & mask);
    }
}

}  // namespace viewer
