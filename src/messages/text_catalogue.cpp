// The rows of the text table: English first, Chinese second, as the user sees them.

#include "messages/text_catalogue.h"

#include <array>
#include <cstddef>

#include "messages/table_rows.h"

namespace kx {
namespace {

struct TextRow {
    Text text;
    std::string_view english;
    std::string_view chinese;
};

// clang-format off
constexpr std::array<TextRow, static_cast<std::size_t>(Text::Count)> kTexts = {{
    // The serial link.
    // Settings and the serial counter.
    // Files (image, password, TI-TXT, settings).
    {Text::SaveFailed,
     "Cannot write the file; choose another folder or file name and save again.\r\n({1})\r\n",
     "文件无法写入，请换一个文件夹或文件名重新保存！\r\n({1})\r\n"},
    // Devices and security words.
    // Operations.
    // The command line.
    // The window.
}};
// clang-format on

static_assert(EveryRowInItsPlace(kTexts, &TextRow::text), "the rows follow the order of enum Text");

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
