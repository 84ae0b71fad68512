// GBK as Windows' code page 936, through UTF-16.

#include <windows.h>

#include "platform/gbk.h"

namespace kx {
namespace {

constexpr UINT kGbk = 936;

// nullopt on any byte the code page does not define.
std::optional<std::wstring> ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
    return wide;
}

// nullopt on a character the code page cannot hold; none is replaced by a look-alike.
std::optional<std::string> FromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    // UTF-8 takes neither flag nor the lossy report.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* report = codePage == CP_UTF8 ? nullptr : &lossy;
    const int n =
        ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, report);
    if (n <= 0 || lossy) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), n, nullptr, report);
    if (lossy) return std::nullopt;
    return out;
}

}  // namespace

std::optional<std::string> SystemToGbk(std::string_view utf8) {
    const auto wide = ToWide(CP_UTF8, utf8);
    if (!wide) return std::nullopt;
    return FromWide(kGbk, *wide);
}

std::optional<std::string> SystemFromGbk(std::string_view gbk) {
    const auto wide = ToWide(kGbk, gbk);
    if (!wide) return std::nullopt;
    return FromWide(CP_UTF8, *wide);
}

}  // namespace kx
