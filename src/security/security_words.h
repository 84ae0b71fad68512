#pragma once
// BSL password and interrupt-vector words for 0xFFE0..0xFFFE (index i = 0xFFE0 + 2i).

#include <array>
#include <cstddef>
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
// Inline, like VectorsFromBytes below, because the image library's password file uses it.
inline std::array<std::uint8_t, 32> PasswordBytes(const Words16& words) {
    std::array<std::uint8_t, 32> bytes{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return bytes;
}

// The vectors of a loaded code image and their marks. Header-only, because the TI-TXT
// loader (in the image library, which this one builds on) fills one on every load.
struct LoadedVectors {
    Words16 table;  // word i = byte 0xFFE0 + 2i (low) | byte 0xFFE1 + 2i (high)
    Words16 inUse;  // 1 where the code sets the vector, 0 where it is 0xFFFF (spare)
};

// `bytes` are the 32 image bytes at 0xFFE0..0xFFFF.
inline LoadedVectors VectorsFromBytes(const std::array<std::uint8_t, 32>& bytes) {
    LoadedVectors v{};
    for (int i = 0; i < kVectorCount; ++i) {
        const auto low = bytes[static_cast<std::size_t>(2 * i)];
        const auto high = bytes[static_cast<std::size_t>(2 * i + 1)];
        v.table[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(low | (high << 8));
        v.inUse[static_cast<std::size_t>(i)] = v.table[static_cast<std::size_t>(i)] != 0xFFFF;
    }
    return v;
}

// After a successful load: vectors and marks follow the code; the password stays.
void TakeLoadedVectors(SecurityWords& words, const LoadedVectors& loaded);

}  // namespace kx::security
