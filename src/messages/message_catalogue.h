#pragma once
// The 63 numbered user messages, each in Chinese and English (UTF-8 in this program).

#include <cstdint>
#include <string_view>

namespace kx {

enum class UiLanguage : std::uint8_t { Chinese = 0, English = 1 };

inline constexpr int kMessageCount = 63;

// Text of message `n` (0..62) in `language`; an empty view for numbers outside the table.
std::string_view MessageText(int n, UiLanguage language);

// Where message 60 sends the user for newer software.
inline constexpr std::string_view kDownloadAddress = "https://kx-veldran.example/download";

}  // namespace kx
