// Strict parsing of the values that desk commands and environment variables carry: the whole text
// must be the value, or it is refused.
#pragma once

#include <optional>
#include <string_view>

namespace vcam {

// "max" (as fast as possible, -1), or a rate from 0 (realistic pace) to 10000 frames a second.
std::optional<double> parseFramesPerSecond(std::string_view text);
// "480" or "512": true for 480 lines.
std::optional<bool> parseLines(std::string_view text);
// "50" or "60": the mains frequency in hertz.
std::optional<int> parseMains(std::string_view text);
// A decimal integer within [low, high].
std::optional<long> parseInteger(std::string_view text, long low, long high);

}  // namespace vcam
