// Bytes shown as a hex dump: 16 a line, each line led by the address of its first byte and
// followed by the printable characters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

namespace qlvctl {

void printHexDump(std::FILE* out, std::uint32_t firstAddress, std::span<const std::uint8_t> bytes);

}  // namespace qlvctl
