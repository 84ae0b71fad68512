#include "image/vector_words.h"

#include <cstddef>

namespace kx::image {

std::array<std::uint8_t, 32> PasswordBytes(const Words16& words) {
    std::array<std::uint8_t, 32> bytes{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return bytes;
}

LoadedVectors VectorsFromBytes(const std::array<std::uint8_t, 32>& bytes) {
    LoadedVectors v{};
    for (int i = 0; i < kVectorCount; ++i) {
        const auto low = bytes[static_cast<std::size_t>(2 * i)];
        const auto high = bytes[static_cast<std::size_t>(2 * i + 1)];
        v.table[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(low | (high << 8));
        v.inUse[static_cast<std::size_t>(i)] = v.table[static_cast<std::size_t>(i)] != 0xFFFF;
    }
    return v;
}

}  // namespace kx::image
