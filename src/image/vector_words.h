#pragma once
// The interrupt-vector and BSL-password words at 0xFFE0..0xFFFE (index i = 0xFFE0 + 2i), as
// the code image, the TI-TXT loader and the password file hold them.

#include <array>
#include <cstdint>

namespace kx::image {

inline constexpr int kVectorCount = 16;
inline constexpr std::uint32_t kVectorBase = 0xFFE0;

using Words16 = std::array<std::uint16_t, kVectorCount>;

// The 32-byte little-endian form: word i at bytes 2i (low) and 2i + 1 (high).
std::array<std::uint8_t, 32> PasswordBytes(const Words16& words);

// The vectors of a loaded code image and their marks.
struct LoadedVectors {
    Words16 table;  // word i = byte 0xFFE0 + 2i (low) | byte 0xFFE1 + 2i (high)
    Words16 inUse;  // 1 where the code sets the vector, 0 where it is 0xFFFF (spare)
};

// `bytes` are the 32 image bytes at 0xFFE0..0xFFFF.
LoadedVectors VectorsFromBytes(const std::array<std::uint8_t, 32>& bytes);

}  // namespace kx::image
