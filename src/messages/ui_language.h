#pragma once
// Which column of the message catalogue the program speaks. Only mainland Chinese
// (zh_CN) selects Chinese; every other locale, other Chinese regions included, is English.

#include <string_view>

#include "messages/message_catalogue.h"

namespace kx {

// The locale variables in the order they are consulted; empty when unset.
struct LocaleVariables {
    std::string_view language = {};    // LANGUAGE (a colon-separated list; its first entry counts)
    std::string_view lcAll = {};       // LC_ALL
    std::string_view lcMessages = {};  // LC_MESSAGES
    std::string_view lang = {};        // LANG
};

// True when one locale name ("zh_CN", "zh_CN.UTF-8", "zh_CN.GBK@x", "zh_Hans_CN", "zh-CN")
// names mainland China.
bool IsMainlandChineseLocale(std::string_view localeName);

// Decides by the first non-empty variable.
UiLanguage UiLanguageFromLocale(const LocaleVariables& vars);

// The same, reading the process environment.
UiLanguage SystemUiLanguage();

}  // namespace kx
