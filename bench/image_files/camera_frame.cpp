#include "camera_frame.h"

#include <chrono>

#include <virtual_camera/virtual_camera.h>

#include "capture/frame_picture.h"
#include "convert/yuyv_to_bgr.h"

std::vector<std::uint8_t> cameraFramePicture() {
    constexpr int kWidth = 1280;
    constexpr int kHeight = 1024;
    vcam::Options options;
    options.resolution = 1;
    options.framesPerSecond = -1;
    options.controlLatency = std::chrono::microseconds{0};
    vcam::VirtualCamera camera(options);

    const std::size_t frameBytes = std::size_t{kWidth} * kHeight * 2;
    std::vector<std::uint8_t> raw((frameBytes & ~std::size_t{511}) + 512);
    // The first frames run auto exposure in; a few later the picture is settled.
    for (int i = 0; i < 8; ++i) {
        const auto got =
            camera.bulkIn(raw, std::chrono::steady_clock::now() + std::chrono::seconds(10), {});
        if (!got || *got != frameBytes) {
            return {};
        }
    }
    std::vector<std::uint8_t> block(viewer::kFramePictureBytes);
    viewer::writeHeader(block, viewer::pictureHeader(kWidth, kHeight));
    const bool converted = qlv::convert::convertFrame(
        qlv::convert::Formula::ViewerDecimal, std::span(raw).first(frameBytes), kWidth, kHeight,
        viewer::pixelsOf(std::span(block)), viewer::rowStride(kWidth));
    return converted ? block : std::vector<std::uint8_t>{};
}
