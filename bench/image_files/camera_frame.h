// One 1280 x 1024 frame picture of the virtual camera's scene, as the viewer holds it.
#pragma once

#include <cstdint>
#include <vector>

// The block (header and bottom-up rows); empty when the camera gives no frame.
std::vector<std::uint8_t> cameraFramePicture();
