// Sequence tags: the frame's number written into its top and bottom bands as large black and
// white blocks, so that it survives conversion to RGB and mild scaling.
#pragma once

#include <cstdint>
#include <span>

namespace vcam {

inline constexpr int kTagBandRows = 8;
inline constexpr int kTagDataBits = 32;
inline constexpr int kTagCheckBits = 8;
inline constexpr int kTagBlocks = kTagDataBits + kTagCheckBits;

// Writes the tag of `sequence` into rows 0..7 and height-8..height-1 of a YCbCr 4:2:2 frame.
void stampTags(std::span<std::uint8_t> frame, int width, int height, std::uint32_t sequence);

}  // namespace vcam
