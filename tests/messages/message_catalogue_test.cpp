#include "messages/message_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "messages/text_catalogue.h"
#include "messages/ui_language.h"

namespace kx {
namespace {

// Undoes the C escapes of the data file (\r, \n, \", \\).
std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

// All 126 texts against tests/data/messages/catalogue.tsv, written from the message list
// itself rather than from this program's table.
TEST(MessageCatalogue, EveryTextInBothLanguagesMatchesTheMessageList) {
    const char* dataDir = std::getenv("KX_TEST_DATA");
    ASSERT_NE(dataDir, nullptr);
    std::ifstream file(std::string(dataDir) + "/messages/catalogue.tsv");
    ASSERT_TRUE(file) << "cannot open the message list";
    int count = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto tab1 = line.find('\t');
        const auto tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        const int n = std::stoi(line.substr(0, tab1));
        ASSERT_EQ(n, count) << "the message list is out of order";
        for (const auto& [lang, cell] :
             {std::pair{UiLanguage::Chinese, line.substr(tab1 + 1, tab2 - tab1 - 1)},
              std::pair{UiLanguage::English, line.substr(tab2 + 1)}}) {
            std::string expected = Unescape(cell);
            // A build without an address drops it with the word that leads to it.
            for (const std::string_view placeholder : {" at {address}", "到{address}"}) {
                const auto at = expected.find(placeholder);
                if (at == std::string::npos) continue;
                const std::string_view address = DownloadAddress();
                expected.replace(at, placeholder.size(),
                                 address.empty()
                                     ? std::string()
                                     : std::string(placeholder.substr(0, placeholder.size() - 9)) +
                                           std::string(address));
            }
            EXPECT_EQ(MessageText(static_cast<Message>(n), lang), expected)
                << "message " << n << (lang == UiLanguage::Chinese ? " (Chinese)" : " (English)");
        }
        ++count;
    }
    EXPECT_EQ(count, kMessageCount);
    EXPECT_TRUE(MessageText(static_cast<Message>(kMessageCount), UiLanguage::Chinese).empty());
}

// Placeholders {1}..{9} in the order they stand.
std::string Placeholders(std::string_view text) {
    std::string found;
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] == '{' && text[i + 1] >= '1' && text[i + 1] <= '9' && text[i + 2] == '}') {
            found += text[i + 1];
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// A row missing a language, or whose Chinese drops or invents an argument, shows the user
// an empty line or a stray "{2}".
TEST(TextCatalogue, EveryRowSpeaksBothLanguagesWithTheSameArguments) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(Text::Count); ++i) {
        const auto text = static_cast<Text>(i);
        const std::string_view english = TextPattern(text, UiLanguage::English);
        const std::string_view chinese = TextPattern(text, UiLanguage::Chinese);
        EXPECT_FALSE(english.empty()) << "row " << i;
        EXPECT_FALSE(chinese.empty()) << "row " << i << ": " << english;
        EXPECT_EQ(Placeholders(english), Placeholders(chinese)) << english;
    }
    EXPECT_TRUE(TextPattern(Text::Count, UiLanguage::English).empty());
    // Arguments go where their number says; a missing one stays empty.
    EXPECT_EQ(SayText(UiLanguage::English, Text::SaveFailed, {"disk full"}),
              "Cannot write the file; choose another folder or file name and save again.\r\n"
              "(disk full)\r\n");
    EXPECT_EQ(SayText(UiLanguage::Chinese, Text::SaveFailed),
              "文件无法写入，请换一个文件夹或文件名重新保存！\r\n()\r\n");
}

TEST(UiLanguageChoice, OnlyMainlandChineseIsChinese) {
    for (const char* name :
         {"zh_CN", "zh_CN.UTF-8", "zh_CN.GBK", "zh_CN.gb18030@stroke", "zh_Hans_CN", "zh-CN"}) {
        EXPECT_TRUE(IsMainlandChineseLocale(name)) << name;
    }
    for (const char* name : {"zh_TW", "zh_HK.UTF-8", "zh_SG", "zh_MO", "zh", "zh_CNX",
                             "en_US.UTF-8", "C", "", "xzh_CN"}) {
        EXPECT_FALSE(IsMainlandChineseLocale(name)) << name;
    }
    // The first non-empty variable decides; an empty LANGUAGE entry is skipped rather than
    // taken as "no preference".
    using L = LocaleVariables;
    EXPECT_EQ(UiLanguageFromLocale(L{}), UiLanguage::English);
    EXPECT_EQ(UiLanguageFromLocale(L{.lang = "zh_CN.UTF-8"}), UiLanguage::Chinese);
    EXPECT_EQ(UiLanguageFromLocale(L{.lcMessages = "en_GB", .lang = "zh_CN"}), UiLanguage::English);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = "zh_TW:zh_CN", .lang = "zh_CN"}),
              UiLanguage::English);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = "zh_CN:en", .lcAll = "C"}), UiLanguage::Chinese);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = ":zh_CN", .lang = "en_US"}), UiLanguage::Chinese);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = ":", .lang = "zh_CN"}), UiLanguage::Chinese);
}

}  // namespace
}  // namespace kx
