#include "common/gbk.h"

#include <iconv.h>

#include <cerrno>
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

// An iconv descriptor. It keeps conversion state, so it is never shared between threads.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)); }

    // Whole-text conversion; nullopt on any byte that cannot be converted.
    std::optional<std::string> Convert(std::string_view in) {
        if (!Ok()) return std::nullopt;
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        std::string out(in.size() * 2 + 8, '\0');
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        std::size_t used = 0;
        while (true) {
            char* outPtr = out.data() + used;
            std::size_t outLeft = out.size() - used;
            const std::size_t r =
                ::iconv(cd_, inLeft > 0 ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (r != static_cast<std::size_t>(-1)) {
                if (inLeft == 0) break;
                continue;
            }
            if (errno != E2BIG) return std::nullopt;  // EILSEQ or a cut sequence (EINVAL)
            out.resize(out.size() * 2);
        }
        out.resize(used);
        return out;
    }

  private:
    iconv_t cd_;
};

constexpr const char* kGbk = "GBK";
constexpr const char* kUtf8 = "UTF-8";

// Opening a descriptor costs far more than a short conversion, so each thread keeps one
// per direction.
Converter& ToGbk() {
    thread_local Converter c(kGbk, kUtf8);
    return c;
}

Converter& FromGbk() {
    thread_local Converter c(kUtf8, kGbk);
    return c;
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
    // iconv's own UTF-8 decoder is more lenient than we want (e.g. about surrogates).
    if (!IsValidUtf8(utf8)) return std::nullopt;
    return ToGbk().Convert(utf8);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    auto out = FromGbk().Convert(gbk);
    if (out && !IsValidUtf8(*out)) return std::nullopt;
    return out;
}

std::string TruncateGbk(std::string_view utf8, std::size_t maxGbkBytes) {
    Converter& c = ToGbk();
    std::size_t pos = 0;
    std::size_t gbkBytes = 0;
    while (pos < utf8.size()) {
        const std::size_t n = SequenceLength(utf8, pos);
        if (n == 0) break;
        std::size_t width = 1;
        if (n > 1) {
            const auto gbk = c.Convert(utf8.substr(pos, n));
            width = gbk ? gbk->size() : 2;
        }
        if (gbkBytes + width > maxGbkBytes) break;
        gbkBytes += width;
        pos += n;
    }
    return std::string(utf8.substr(0, pos));
}

}  // namespace kx
