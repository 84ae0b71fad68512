#pragma once
// GBK (code page 936) conversion. The box stores product names as GBK bytes, and settings
// files written by the Windows program on Chinese systems hold GBK text; everything inside
// this program is UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
bool IsValidUtf8(std::string_view text);

// nullopt when the input is not valid UTF-8 or holds a character GBK cannot represent;
// nothing is ever replaced silently.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// nullopt when the bytes are not valid GBK (a lone lead byte, an unassigned code).
std::optional<std::string> GbkToUtf8(std::string_view gbk);

// The longest prefix of `utf8` whose GBK form takes at most `maxGbkBytes` bytes, cut only
// between characters. A character GBK cannot hold counts as two bytes (the widest GBK
// character), so the prefix still fits should the caller replace it. The cut also stops at
// the first byte that is not valid UTF-8.
std::string TruncateGbk(std::string_view utf8, std::size_t maxGbkBytes);

// The system's converter behind the functions above (iconv on Linux, code page 936 on
// Windows), strict both ways; use the functions above, which check what it may pass.
std::optional<std::string> SystemToGbk(std::string_view utf8);
std::optional<std::string> SystemFromGbk(std::string_view gbk);

}  // namespace kx
