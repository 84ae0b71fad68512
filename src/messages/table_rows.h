#pragma once
// Both text tables are arrays indexed by their enum; each row names its key, so a row out
// of place fails the build instead of showing the wrong text.

#include <array>
#include <cstddef>

namespace kx {

template <typename Row, std::size_t N, typename Key>
constexpr bool EveryRowInItsPlace(const std::array<Row, N>& rows, Key Row::*key) {
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(rows[i].*key) != i) return false;
    }
    return true;
}

}  // namespace kx
