#include "messages/text_format.h"

#include <array>
#include <charconv>

namespace kx {

std::string FormatHex(std::uint32_t value, int minDigits) {
    std::array<char, 8> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16);
    std::string text(digits.data(), result.ptr);
    for (char& c : text) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (minDigits > 0 && text.size() < static_cast<std::size_t>(minDigits)) {
        text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
    }
    return text;
}

}  // namespace kx
