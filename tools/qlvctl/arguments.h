// Strict reading of command-line values: a word is taken whole or refused, never guessed at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qlvctl {

// A whole number in decimal or 0x hex, with an optional leading minus. Nullopt for anything else:
// trailing characters, a plus sign, spaces, an empty word, more than 63 bits.
std::optional<std::int64_t> parseInteger(std::string_view text);

// The number when it is one and lies in [min, max]; otherwise nullopt, and `problem` says what
// `name` must be.
std::optional<std::int64_t> parseIntegerIn(std::string_view text, std::int64_t min,
                                           std::int64_t max, std::string_view name,
                                           std::string& problem);

// "on" or "1" is true, "off" or "0" false.
std::optional<bool> parseSwitch(std::string_view text);

}  // namespace qlvctl
