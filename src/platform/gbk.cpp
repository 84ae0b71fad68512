#include "platform/gbk.h"

#include <cstdint>

namespace kx {
namespace {

// Length of the valid UTF-8 sequence starting at `pos`, or 0 when the bytes there are not
// one.
std::size_t SequenceLength(std::string_view s, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[pos + i]); };
    const auto isTail = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
    const std::uint8_t lead = byte(0);
    const std::size_t left = s.size() - pos;
    if (lead < 0x80) return 1;
    if (lead < 0xC2) return 0;  // a stray continuation byte or an overlong two-byte form
    if (lead < 0xE0) return left >= 2 && isTail(1) ? 2 : 0;
    if (lead < 0xF0) {
        if (left < 3 || !isTail(1) || !isTail(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
        if (lead == 0xED && byte(1) >= 0xA0) return 0;  // UTF-16 surrogate
        return 3;
    }
    if (lead < 0xF5) {
        if (left < 4 || !isTail(1) || !isTail(2) || !isTail(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0;   // overlong
        if (lead == 0xF4 && byte(1) >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t n = SequenceLength(text, pos);
        if (n == 0) return false;
        pos += n;
    }
    return true;
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    // The system's UTF-8 decoder may be more lenient than we want (e.g. about surrogates).
    if (!IsValidUtf8(utf8)) return std::nullopt;
    return SystemToGbk(utf8);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    auto out = SystemFromGbk(gbk);
    if (out && !IsValidUtf8(*out)) return std::nullopt;
    return out;
}

std::string TruncateGbk(std::string_view utf8, std::size_t maxGbkBytes) {
    std::size_t pos = 0;
    std::size_t gbkBytes = 0;
    while (pos < utf8.size()) {
        const std::size_t n = SequenceLength(utf8, pos);
        if (n == 0) break;
        std::size_t width = 1;
        if (n > 1) {
            const auto gbk = SystemToGbk(utf8.substr(pos, n));
            width = gbk ? gbk->size() : 2;
        }
        if (gbkBytes + width > maxGbkBytes) break;
        gbkBytes += width;
        pos += n;
    }
    return std::string(utf8.substr(0, pos));
}

}  // namespace kx
