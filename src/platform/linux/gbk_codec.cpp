// GBK through iconv.

#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "platform/gbk.h"

namespace kx {
namespace {

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

std::optional<std::string> SystemToGbk(std::string_view utf8) {
    return ToGbk().Convert(utf8);
}

std::optional<std::string> SystemFromGbk(std::string_view gbk) {
    return FromGbk().Convert(gbk);
}

}  // namespace kx
