// The header checks of frame pictures, as a capture and a print picture read them: any header in
// a block of any size is used only as far as the block goes (ASan watches the reads).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "capture/capture_picture.h"
#include "gallery/picture_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Copied to a block of exactly this size, so that a read past it is seen.
    const std::vector<std::uint8_t> block(data, data + size);
    if (const auto picture = viewer::CapturePicture::fromFrame(block)) {
        const auto& rows = picture->rows();
        if (rows.width <= 0 || rows.height <= 0) {
            std::abort();
        }
    }
    viewer::makePrintBlock(block);
    return 0;
}
