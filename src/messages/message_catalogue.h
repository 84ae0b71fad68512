#pragma once
// The 63 numbered user messages, each in Chinese and English (UTF-8 in this program).

#include <cstdint>
#include <string_view>

namespace kx {

enum class UiLanguage : std::uint8_t { Chinese = 0, English = 1 };

inline constexpr int kMessageCount = 63;

// The numbered messages, named after what they say (message_rows.inc); the position is the
// message's number.
enum class Message : std::uint8_t {
#define KX_MESSAGE(name, chinese, english) name,
#include "messages/message_rows.inc"
#undef KX_MESSAGE
};

// Text of `message` in `language`.
std::string_view MessageText(Message message, UiLanguage language);

// Where SoftwareTooOld sends the user for newer software, chosen when the program is built;
// empty when the build names none, and then the message leaves the address out.
std::string_view DownloadAddress();

}  // namespace kx
