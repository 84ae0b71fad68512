#include "settings/settings_text.h"

#include <cstdio>

namespace kx::settings {
namespace {

std::optional<unsigned> HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

}  // namespace

std::string SerialDisplayText(std::uint32_t value, SerialStyle style) {
    char buf[16];
    std::snprintf(buf, sizeof buf, style == SerialStyle::Hex ? "%X" : "%u",
                  static_cast<unsigned>(value));
    return buf;
}

std::size_t SerialFieldLimit(SerialStyle style) {
    return style == SerialStyle::Hex ? 8 : 10;
}

std::string InfoAddrDisplayText(std::uint16_t address) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(address));
    return buf;
}

std::optional<std::uint16_t> InfoAddrFromText(std::string_view text) {
    if (text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const auto d = HexDigit(c);
        if (!d) return std::nullopt;
        value = value * 16 + *d;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace kx::settings
