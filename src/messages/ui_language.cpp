#include "messages/ui_language.h"

#include <cstdlib>

namespace kx {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive, with '-' and '_' treated alike (BCP 47 tags use '-').
bool SameTag(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = Lower(a[i]);
        char y = Lower(b[i]);
        if (x == '-') x = '_';
        if (y == '-') y = '_';
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string_view FirstListEntry(std::string_view list) {
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view entry = list.substr(0, colon);
        if (!entry.empty()) {
            return entry;
        }
        if (colon == std::string_view::npos) {
            break;
        }
        list.remove_prefix(colon + 1);
    }
    return {};
}

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

bool IsMainlandChineseLocale(std::string_view localeName) {
    // Drop the code set and the modifier: zh_CN.GBK@euro -> zh_CN.
    const std::size_t cut = localeName.find_first_of(".@");
    const std::string_view base = localeName.substr(0, cut);
    return SameTag(base, "zh_CN") || SameTag(base, "zh_Hans_CN");
}

UiLanguage UiLanguageFromLocale(const LocaleVariables& vars) {
    std::string_view chosen = FirstListEntry(vars.language);
    for (const std::string_view candidate : {vars.lcAll, vars.lcMessages, vars.lang}) {
        if (!chosen.empty()) {
            break;
        }
        chosen = candidate;
    }
    return IsMainlandChineseLocale(chosen) ? UiLanguage::Chinese : UiLanguage::English;
}

UiLanguage SystemUiLanguage() {
    return UiLanguageFromLocale({.language = Env("LANGUAGE"),
                                 .lcAll = Env("LC_ALL"),
                                 .lcMessages = Env("LC_MESSAGES"),
                                 .lang = Env("LANG")});
}

}  // namespace kx
