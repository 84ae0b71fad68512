#pragma once
// Number formatting for report lines and address fields ("%X" and "%0nX" alike).

#include <cstdint>
#include <string>

namespace kx {

// Upper-case hexadecimal without prefix, zero-padded to at least `minDigits` digits.
std::string FormatHex(std::uint32_t value, int minDigits = 0);

}  // namespace kx
