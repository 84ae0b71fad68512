#pragma once
// BSL password and interrupt-vector words for 0xFFE0..0xFFFE (index i = 0xFFE0 + 2i).

#include <array>
#include <cstdint>

namespace kx::security {

inline constexpr int kVectorCount = 16;
inline constexpr std::uint32_t kVectorBase = 0xFFE0;

using Words16 = std::array<std::uint16_t, kVectorCount>;

struct SecurityWords {
    Words16 vectorTable;  // vectors the next programming puts into targets
    Words16 vectorInUse;  // non-zero: belongs to the loaded code (or nothing loaded) — locked
    Words16 bslPassword;  // presented to targets on TARGET_CONNECT

    SecurityWords() { Reset(); }
    // State when the main window opens: everything 0xFFFF (all vectors locked).
    void Reset() {
        vectorTable.fill(0xFFFF);
        vectorInUse.fill(0xFFFF);
        bslPassword.fill(0xFFFF);
    }
};

// The 32-byte little-endian form: word i at bytes 2i (low) and 2i + 1 (high).
std::array<std::uint8_t, 32> PasswordBytes(const Words16& words);

}  // namespace kx::security
