#pragma once
// Reads the TI-TXT text the program's options point at (a password file, a chip image).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::sim {

struct MemorySegment {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

// "@ADDR" lines, lines of hexadecimal byte pairs, and "q" at the end. On a malformed line
// returns nullopt and says which line.
std::optional<std::vector<MemorySegment>> ParseTiTxt(std::string_view text, std::string& error);

// The 32 bytes at 0xFFE0..0xFFFF of the text (missing bytes 0xFF).
std::optional<std::vector<std::uint8_t>> VectorBytes(const std::vector<MemorySegment>& segments);

}  // namespace kx::sim
