#include "sim/preload_text.h"

#include <cctype>

namespace kx::sim {
namespace {

// The simulator's own digits, like its own option bits: it must not share the program's.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::vector<MemorySegment>> ParseTiTxt(std::string_view text, std::string& error) {
    std::vector<MemorySegment> segments;
    std::size_t lineNo = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNo;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
            line.remove_suffix(1);
        }
        if (line.empty()) continue;
        if (line[0] == 'q' || line[0] == 'Q') return segments;
        if (line[0] == '@') {
            std::uint32_t address = 0;
            if (line.size() < 2 || line.size() > 6) {
                error = "line " + std::to_string(lineNo) +
                        ": an address line is @ and 1 to 5 hex digits";
                return std::nullopt;
            }
            for (const char c : line.substr(1)) {
                const int d = HexDigit(c);
                if (d < 0) {
                    error = "line " + std::to_string(lineNo) + ": bad hex digit in the address";
                    return std::nullopt;
                }
                address = address * 16 + static_cast<std::uint32_t>(d);
            }
            segments.push_back({address, {}});
            continue;
        }
        if (segments.empty()) {
            error = "line " + std::to_string(lineNo) + ": data before the first @address line";
            return std::nullopt;
        }
        std::size_t i = 0;
        while (i < line.size()) {
            if (std::isspace(static_cast<unsigned char>(line[i]))) {
                ++i;
                continue;
            }
            const int hi = HexDigit(line[i]);
            const int lo = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
            if (hi < 0 || lo < 0) {
                error = "line " + std::to_string(lineNo) + ": expected hex byte pairs";
                return std::nullopt;
            }
            segments.back().bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
            i += 2;
        }
    }
    error = "the text has no end line 'q'";
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> VectorBytes(const std::vector<MemorySegment>& segments) {
    std::vector<std::uint8_t> out(32, 0xFF);
    bool any = false;
    for (const auto& s : segments) {
        for (std::size_t i = 0; i < s.bytes.size(); ++i) {
            const std::uint32_t a = s.address + static_cast<std::uint32_t>(i);
            if (a >= 0xFFE0 && a <= 0xFFFF) {
                out[a - 0xFFE0] = s.bytes[i];
                any = true;
            }
        }
    }
    if (!any) return std::nullopt;
    return out;
}

}  // namespace kx::sim
