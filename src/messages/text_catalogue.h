#pragma once
// Every text a user sees that is not one of the numbered messages: hints, refusals, report
// lines, and the command line's and the window's own lines, each in English and Chinese.
// A row may hold placeholders {1}..{9}, filled by SayText in the order the caller gives.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "messages/message_catalogue.h"

namespace kx {

// One name for each row of text_rows.inc, in its order.
enum class Text : std::uint16_t {
#define KX_TEXT(name, english, chinese) name,
#include "messages/text_rows.inc"
#undef KX_TEXT
    Count  // not a text
};

// The row's pattern in `language`, placeholders unfilled.
std::string_view TextPattern(Text text, UiLanguage language);

// The row in `language` with {1}.. replaced by `args` (missing arguments stay empty).
std::string SayText(UiLanguage language, Text text,
                    std::initializer_list<std::string_view> args = {});

}  // namespace kx
