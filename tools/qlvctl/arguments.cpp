#include "arguments.h"

#include <charconv>
#include <limits>

namespace qlvctl {

std::optional<std::int64_t> parseInteger(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative) {
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    // An unsigned parse takes no sign of its own, so "--5" and "-+5" are refused here.
    std::uint64_t magnitude = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, magnitude, base);
    if (text.empty() || error != std::errc{} || stop != end ||
        magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

std::optional<std::int64_t> parseIntegerIn(std::string_view text, std::int64_t min,
                                           std::int64_t max, std::string_view name,
                                           std::string& problem) {
    const auto value = parseInteger(text);
    if (value && *value >= min && *value <= max) {
        return value;
    }
    problem = std::string(name) + " must be a whole number from " + std::to_string(min) + " to " +
              std::to_string(max) + ", not '" + std::string(text) + "'";
    return std::nullopt;
}

std::optional<bool> parseSwitch(std::string_view text) {
    if (text == "on" || text == "1") {
        return true;
    }
    if (text == "off" || text == "0") {
        return false;
    }
    return std::nullopt;
}

}  // namespace qlvctl
