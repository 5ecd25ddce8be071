#include "capture/dib_palette.h"

#include <algorithm>

CDibPalette::CDibPalette(std::span<const std::uint8_t> colorTable, int colorCount) {
    const auto entries =
        std::min(static_cast<std::size_t>(std::max(colorCount, 0)), colorTable.size() / 4);
    colors_.reserve(static_cast<qsizetype>(entries));
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* entry = colorTable.data() + 4 * i;
        colors_.append(qRgb(entry[2], entry[1], entry[0]));
    }
}
