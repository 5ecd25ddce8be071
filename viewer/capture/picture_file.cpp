#include "capture/picture_file.h"

#include <QSaveFile>

#include "capture/bmp_writer.h"
#include "capture/capture_picture.h"
#include "capture/jpeg_writer.h"

namespace viewer {

int SaveFramePicture(std::span<const std::uint8_t> framePicture,
                     const QString& pathWithoutExtension, int format) {
    const bool jpeg = format == kCaptureFormatJpg;
    const QString fileName = pathWithoutExtension + (jpeg ? ".jpg" : ".bmp");
    const auto picture = CapturePicture::fromFrame(framePicture);
    if (!picture) {
        return 1;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    const bool written = jpeg ? writeJpeg(picture->rows(), kCaptureJpegQuality, file)
                              : writeBmp(picture->rows(), file);
    if (written) {
        file.commit();  // a failed commit removes the temporary file itself
    } else {
        file.cancelWriting();
    }
    return 1;
}

}  // namespace viewer
