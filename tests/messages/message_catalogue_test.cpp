#include "messages/message_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "messages/ui_language.h"

namespace kx {
namespace {

bool EndsWithCrLf(std::string_view s) {
    return s.size() >= 2 && s.substr(s.size() - 2) == "\r\n";
}

// Every LF is preceded by CR and every CR followed by LF.
bool OnlyCrLfBreaks(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
        if (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')) return false;
    }
    return true;
}

TEST(MessageCatalogue, LineEndsFollowTheirUse) {
    // Values follow 1, 15, 35; 43 and 44 are captions; 54..56 are questions.
    const std::set<int> openBoth = {1, 15, 35, 43, 44, 54, 55, 56};
    for (int n = 0; n < kMessageCount; ++n) {
        SCOPED_TRACE("message " + std::to_string(n));
        const std::string_view zh = MessageText(n, UiLanguage::Chinese);
        const std::string_view en = MessageText(n, UiLanguage::English);
        ASSERT_FALSE(zh.empty());
        ASSERT_FALSE(en.empty());
        EXPECT_TRUE(OnlyCrLfBreaks(zh));
        EXPECT_TRUE(OnlyCrLfBreaks(en));
        EXPECT_EQ(zh.find('%'), std::string_view::npos);
        EXPECT_EQ(en.find('%'), std::string_view::npos);
        for (const char c : en) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
        EXPECT_NE(zh, en);

        const bool zhOpen = openBoth.count(n) != 0 || (n >= 36 && n <= 38);
        const bool enOpen = openBoth.count(n) != 0 || n == 61;
        EXPECT_EQ(EndsWithCrLf(zh), !zhOpen);
        EXPECT_EQ(EndsWithCrLf(en), !enOpen);
    }
    EXPECT_TRUE(MessageText(-1, UiLanguage::English).empty());
    EXPECT_TRUE(MessageText(kMessageCount, UiLanguage::Chinese).empty());
}

TEST(MessageCatalogue, TextsInBothLanguages) {
    EXPECT_EQ(MessageText(24, UiLanguage::English), "Programming successful!\r\n");
    EXPECT_EQ(MessageText(24, UiLanguage::Chinese), "编程成功！\r\n");
    EXPECT_EQ(MessageText(36, UiLanguage::Chinese), "请输入偶数起始地址！");
    EXPECT_EQ(MessageText(36, UiLanguage::English), "Address must be a even number!\r\n");
    EXPECT_EQ(MessageText(21, UiLanguage::English), "Operation \"Prog\" is not selected!\r\n");
    EXPECT_EQ(MessageText(61, UiLanguage::English),
              "Limit times: 1-60000 is valid, or 0 means no limit, it will be fit to 60000 "
              "while greater than 60000.");
    EXPECT_EQ(MessageText(61, UiLanguage::Chinese),
              "次数限制: 1-60000有效，0表示无限制，大于60000将被强制成60000。\r\n");
}

TEST(MessageCatalogue, NewerSoftwareMessageCarriesTheAddress) {
    const std::string addr(kDownloadAddress);
    EXPECT_EQ(MessageText(60, UiLanguage::English),
              "Error:The version of this software is lower than the firmware, please download "
              "the newest software at " +
                  addr + "!\r\n");
    EXPECT_EQ(MessageText(60, UiLanguage::Chinese),
              "出错：软件版本低于固件版本，请到" + addr + "下载最新软件！\r\n");
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
}

TEST(UiLanguageChoice, FirstNonEmptyVariableDecides) {
    using L = LocaleVariables;
    EXPECT_EQ(UiLanguageFromLocale(L{}), UiLanguage::English);
    EXPECT_EQ(UiLanguageFromLocale(L{.lang = "zh_CN.UTF-8"}), UiLanguage::Chinese);
    EXPECT_EQ(UiLanguageFromLocale(L{.lcMessages = "en_GB", .lang = "zh_CN"}), UiLanguage::English);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = "zh_TW:zh_CN", .lang = "zh_CN"}),
              UiLanguage::English);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = "zh_CN:en", .lcAll = "C"}), UiLanguage::Chinese);
    // An empty list entry is skipped rather than taken as "no preference".
    EXPECT_EQ(UiLanguageFromLocale(L{.language = ":zh_CN", .lang = "en_US"}), UiLanguage::Chinese);
    EXPECT_EQ(UiLanguageFromLocale(L{.language = ":", .lang = "zh_CN"}), UiLanguage::Chinese);
}

}  // namespace
}  // namespace kx
