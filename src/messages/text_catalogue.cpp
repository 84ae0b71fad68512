// The text table (rows in text_rows.inc) and the filling of its placeholders.

#include "messages/text_catalogue.h"

#include <array>
#include <cstddef>

namespace kx {
namespace {

struct TextRow {
    std::string_view english;
    std::string_view chinese;
};

constexpr std::array kTexts = {
#define KX_TEXT(name, english, chinese) TextRow{english, chinese},
#include "messages/text_rows.inc"
#undef KX_TEXT
};
static_assert(kTexts.size() == static_cast<std::size_t>(Text::Count));

}  // namespace

std::string_view TextPattern(Text text, UiLanguage language) {
    const auto index = static_cast<std::size_t>(text);
    if (index >= kTexts.size()) return {};
    const TextRow& row = kTexts[index];
    return language == UiLanguage::Chinese ? row.chinese : row.english;
}

std::string SayText(UiLanguage language, Text text, std::initializer_list<std::string_view> args) {
    const std::string_view pattern = TextPattern(text, language);
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '{' && i + 2 < pattern.size() &&
                                 pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
                                 pattern[i + 2] == '}';
        if (!placeholder) {
            out += pattern[i];
            continue;
        }
        const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
        if (n < args.size()) out += *(args.begin() + n);
        i += 2;
    }
    return out;
}

}  // namespace kx
