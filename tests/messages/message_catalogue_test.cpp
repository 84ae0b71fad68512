#include "messages/message_catalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "messages/ui_language.h"

namespace kx {
namespace {

TEST(MessageCatalogue, LineEndsFollowTheirUse) {
    // Values follow 1, 15, 35; 43 and 44 are captions; 54..56 are questions.
    const std::set<int> openBoth = {1, 15, 35, 43, 44, 54, 55, 56};
    const std::regex loneBreak("\r(?!\n)|(^|[^\r])\n");  // CR without LF, LF without CR
    for (int n = 0; n < kMessageCount; ++n) {
        for (const UiLanguage lang : {UiLanguage::Chinese, UiLanguage::English}) {
            const std::string_view text = MessageText(n, lang);
            SCOPED_TRACE("message " + std::to_string(n) + " language " + std::to_string(int(lang)));
            ASSERT_FALSE(text.empty());
            EXPECT_FALSE(std::regex_search(std::string(text), loneBreak));
            EXPECT_EQ(text.find('%'), std::string_view::npos);
            const bool open = openBoth.count(n) != 0 ||
                              (lang == UiLanguage::Chinese ? n >= 36 && n <= 38 : n == 61);
            EXPECT_EQ(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n", !open);
        }
        const std::string_view en = MessageText(n, UiLanguage::English);
        for (const char c : en) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << n;
        EXPECT_NE(MessageText(n, UiLanguage::Chinese), en) << n;
    }
    EXPECT_TRUE(MessageText(-1, UiLanguage::English).empty());
    EXPECT_TRUE(MessageText(kMessageCount, UiLanguage::Chinese).empty());
}

TEST(MessageCatalogue, TextsInBothLanguages) {
    EXPECT_EQ(MessageText(24, UiLanguage::English), "Programming successful!\r\n");
    EXPECT_EQ(MessageText(36, UiLanguage::Chinese), "请输入偶数起始地址！");
    EXPECT_EQ(MessageText(21, UiLanguage::English), "Operation \"Prog\" is not selected!\r\n");
    EXPECT_EQ(MessageText(61, UiLanguage::Chinese),
              "次数限制: 1-60000有效，0表示无限制，大于60000将被强制成60000。\r\n");
    // Message 60 carries the download address.
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
