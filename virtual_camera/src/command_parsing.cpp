#include "command_parsing.h"

#include <charconv>
#include <cmath>

namespace vcam {

std::optional<double> parseFramesPerSecond(std::string_view text) {
    if (text == "max") {
        return -1.0;
    }
    double rate = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), rate, std::chars_format::fixed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(rate) || rate < 0 || rate > 10000) {
        return std::nullopt;
    }
    return rate;
}

std::optional<bool> parseLines(std::string_view text) {
    if (text == "480") {
        return true;
    }
    if (text == "512") {
        return false;
    }
    return std::nullopt;
}

std::optional<int> parseMains(std::string_view text) {
    if (text == "50") {
        return 50;
    }
    if (text == "60") {
        return 60;
    }
    return std::nullopt;
}

std::optional<long> parseInteger(std::string_view text, long low, long high) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace vcam
