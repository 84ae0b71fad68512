#pragma once
// SHA-256 (FIPS 180-4), enough to name an image in the production log.

#include <cstdint>
#include <span>
#include <string>

namespace kx {

// The digest of `bytes` as 64 lower-case hexadecimal digits, as sha256sum prints it.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace kx
