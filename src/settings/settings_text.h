#pragma once
// Text forms of the stored numbers as the window shows them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace kx::settings {

// Serial field text: decimal ("%u") or upper-case hexadecimal without leading zeros ("%X").
std::string SerialDisplayText(std::uint32_t value, SerialStyle style);
// Characters the serial field accepts in that style: 10 decimal or 8 hexadecimal digits.
std::size_t SerialFieldLimit(SerialStyle style);

// Information-address field text: lower-case hexadecimal without leading zeros ("%x").
std::string InfoAddressDisplayText(std::uint16_t address);
// The field read back as hexadecimal, either case; empty gives 0. nullopt for anything but
// hex digits or more than four of them, so no value is ever cut down to 16 bits.
std::optional<std::uint16_t> InfoAddressFromText(std::string_view text);

}  // namespace kx::settings
