#include "capture/picture_file.h"

#include "capture/bmp_writer.h"
#include "capture/capture_picture.h"
#include "capture/jpeg_writer.h"
#include "config/file_replacement.h"

namespace viewer {

int SaveFramePicture(std::span<const std::uint8_t> framePicture,
                     const QString& pathWithoutExtension, int format) {
    const bool jpeg = format == kCaptureFormatJpg;
    const QString fileName = pathWithoutExtension + (jpeg ? ".jpg" : ".bmp");
    const auto picture = CapturePicture::fromFrame(framePicture);
    if (!picture) {
        return 1;
    }
    // Replaced whole or not at all: a full disk keeps an earlier capture of that name.
    FileReplacement file(fileName);
    if (!file.open()) {
        return 1;
    }
    const bool written = jpeg ? writeJpeg(picture->rows(), kCaptureJpegQuality, file.device())
                              : writeBmp(picture->rows(), file.device());
    if (written) {
        file.commit();  // an uncommitted replacement removes its temporary file
    }
    return 1;
}

}  // namespace viewer
