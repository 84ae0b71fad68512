#pragma once
// Hexadecimal digits, either case; every text this program parses (TI-TXT, password files
// and fields, settings, typed fields) reads its digits here.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

constexpr std::optional<std::uint8_t> HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return std::nullopt;
}

// The value of a text of hex digits only (empty gives 0), nullopt for any other character.
// The value stops growing at `cap`, so long digit runs cannot wrap.
constexpr std::optional<std::uint32_t> HexTextValue(std::string_view text,
                                                    std::uint32_t cap = 0xFFFFFFFF) {
    std::uint64_t value = 0;
    for (const char c : text) {
        const auto digit = HexDigit(c);
        if (!digit) return std::nullopt;
        value = std::min<std::uint64_t>(value * 16 + *digit, cap);
    }
    return static_cast<std::uint32_t>(value);
}

// A text of hex digits only, upper-cased as the typing filters show it; nullopt for any
// other character.
inline std::optional<std::string> UpperHexText(std::string_view text) {
    std::string upper;
    for (const char c : text) {
        const auto digit = HexDigit(c);
        if (!digit) return std::nullopt;
        upper += "0123456789ABCDEF"[*digit];
    }
    return upper;
}

}  // namespace kx
