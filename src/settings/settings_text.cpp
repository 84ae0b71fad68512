#include "settings/settings_text.h"

#include <cstdio>

#include "common/hex_digit.h"

namespace kx::settings {

std::string SerialDisplayText(std::uint32_t value, SerialStyle style) {
    char buf[16];
    std::snprintf(buf, sizeof buf, style == SerialStyle::Hex ? "%X" : "%u",
                  static_cast<unsigned>(value));
    return buf;
}

std::size_t SerialFieldLimit(SerialStyle style) {
    return style == SerialStyle::Hex ? 8 : 10;
}

std::string InfoAddressDisplayText(std::uint16_t address) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(address));
    return buf;
}

std::optional<std::uint16_t> InfoAddressFromText(std::string_view text) {
    const auto value = text.size() <= 4 ? HexTextValue(text) : std::nullopt;
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

}  // namespace kx::settings
