#include "hex_dump.h"

#include <algorithm>

namespace qlvctl {

void printHexDump(std::FILE* out, std::uint32_t firstAddress, std::span<const std::uint8_t> bytes) {
    constexpr std::size_t perLine = 16;
    for (std::size_t start = 0; start < bytes.size(); start += perLine) {
        const auto line = bytes.subspan(start, std::min(perLine, bytes.size() - start));
        std::fprintf(out, "%04x: ", static_cast<unsigned>(firstAddress + start));
        for (std::size_t i = 0; i < perLine; ++i) {
            if (i < line.size()) {
                std::fprintf(out, "%02x ", static_cast<unsigned>(line[i]));
            } else {
                std::fputs("   ", out);
            }
            if (i == 7) {
                std::fputc(' ', out);
            }
        }
        std::fputs(" |", out);
        for (const std::uint8_t byte : line) {
            std::fputc(byte >= 0x20 && byte < 0x7F ? byte : '.', out);
        }
        std::fputs("|\n", out);
    }
}

}  // namespace qlvctl
