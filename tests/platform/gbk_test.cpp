#include "platform/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace kx {
namespace {

const std::string kNiHao = "\xE4\xBD\xA0\xE5\xA5\xBD";  // 你好
const std::string kNiHaoGbk = "\xC4\xE3\xBA\xC3";
const std::string kZhong = "\xE4\xB8\xAD";     // 中, two bytes in GBK
const std::string kGrin = "\xF0\x9F\x98\x80";  // an emoji: not in GBK

TEST(Gbk, ConvertsBothWaysAndRefusesWhatItCannotHold) {
    EXPECT_EQ(Utf8ToGbk("AB" + kNiHao), "AB" + kNiHaoGbk);
    EXPECT_EQ(GbkToUtf8(kNiHaoGbk + "z"), kNiHao + "z");
    EXPECT_EQ(Utf8ToGbk(""), "");

    // Long enough to need the output buffer to grow more than once.
    std::string many;
    for (int i = 0; i < 3000; ++i) many += kNiHao;
    const auto gbk = Utf8ToGbk(many);
    ASSERT_TRUE(gbk);
    EXPECT_EQ(gbk->size(), 12000u);
    EXPECT_EQ(GbkToUtf8(*gbk), many);

    EXPECT_FALSE(Utf8ToGbk("A" + kGrin));
    EXPECT_FALSE(Utf8ToGbk("A" + kNiHaoGbk));  // GBK bytes are not UTF-8
    EXPECT_FALSE(GbkToUtf8("A\xC4"));          // lead byte with nothing after it
    EXPECT_FALSE(GbkToUtf8("\xFF\x41"));
}

TEST(Gbk, Utf8ValidationIsStrict) {
    EXPECT_TRUE(IsValidUtf8("plain" + kNiHao + kGrin + "\xF4\x8F\xBF\xBF"));
    for (const std::string& bad :
         {std::string("\xC0\x80"), std::string("\xE0\x80\x80"), std::string("\xED\xA0\x80"),
          std::string("\xF4\x90\x80\x80"), std::string("\xF5\x80\x80\x80"), std::string("\xE4\xBD"),
          std::string("a\x80"), std::string("\xC3(")}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(bad);
    }
}

TEST(Gbk, TruncateFitsTheByteLimitWithoutSplittingCharacters) {
    EXPECT_EQ(TruncateGbk(std::string(25, 'x'), 19), std::string(19, 'x'));
    EXPECT_EQ(TruncateGbk(std::string(17, 'x') + kZhong, 19), std::string(17, 'x') + kZhong);
    // One byte short for the double-byte character: it goes whole.
    EXPECT_EQ(TruncateGbk(std::string(18, 'x') + kZhong + "y", 19), std::string(18, 'x'));

    std::string ten;
    for (int i = 0; i < 10; ++i) ten += kZhong;
    EXPECT_EQ(TruncateGbk(ten, 19), ten.substr(0, 27));  // nine characters, 18 bytes

    // Unrepresentable characters count two bytes; invalid bytes end the text.
    EXPECT_EQ(TruncateGbk(std::string(17, 'x') + kGrin + "y", 19), std::string(17, 'x') + kGrin);
    EXPECT_EQ(TruncateGbk(std::string("AB\xFF") + "CD", 19), "AB");
    EXPECT_EQ(TruncateGbk("abc", 0), "");
}

}  // namespace
}  // namespace kx
