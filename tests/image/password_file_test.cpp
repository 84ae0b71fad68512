#include "image/password_file.h"

#include <gtest/gtest.h>

#include <string>

namespace kx::image {
namespace {

security::Words16 Sample() {
    security::Words16 words{};
    for (std::size_t i = 0; i < 16; ++i) words[i] = std::uint16_t(0x1234 + 0x1111 * i);
    return words;
}

PasswordFileResult Parse(const std::string& text) {
    return ParsePasswordFile({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string RefusalOf(const std::string& text) {
    const auto result = Parse(text);
    if (const auto* r = std::get_if<PasswordFileRefusal>(&result)) return r->message;
    return "accepted";
}

TEST(PasswordFile, LayoutAndRoundTrip) {
    const std::string ff = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
    EXPECT_EQ(PasswordFileText(security::SecurityWords{}.bslPassword),
              "@FFE0\r\n" + ff + "\r\n" + ff + "\r\nq\r\n");
    const std::string text = PasswordFileText(Sample());
    ASSERT_EQ(text.size(), 108u);
    EXPECT_EQ(text.substr(7, 5), "34 12");  // low byte first
    EXPECT_EQ(text.substr(49, 7), "AB 89\r\n");
    EXPECT_EQ(text.substr(56, 5), "BC 9A");

    std::string lower = text;
    for (char& c : lower) c = (c >= 'A' && c <= 'F') ? char(c + 32) : c;
    for (const auto& form : {text, lower}) {
        const auto result = Parse(form);
        ASSERT_TRUE(std::holds_alternative<security::Words16>(result)) << form;
        EXPECT_EQ(std::get<security::Words16>(result), Sample());
    }

    // File errors are refusals with their own problem.
    EXPECT_EQ(SavePasswordFile("/nonexistent-folder/x.TXT", Sample())->problem,
              PasswordFileProblem::Unwritable);
    EXPECT_EQ(std::get<PasswordFileRefusal>(ReadPasswordFile("/nonexistent-folder/x.TXT")).problem,
              PasswordFileProblem::Unreadable);
}

TEST(PasswordFile, RefusesInOrderAndNeverTakesANonDigit) {
    const std::string good = PasswordFileText(Sample());
    std::string noMark = good;
    noMark[105] = 'x';
    noMark.replace(1, 4, "FFF0");
    std::string wrongAddress = good;
    wrongAddress.replace(1, 4, "FFF0");
    EXPECT_EQ(RefusalOf(noMark + "\n"), "文件长度不符！");
    EXPECT_EQ(RefusalOf(noMark), "文件格式不符！");
    EXPECT_EQ(RefusalOf("#" + good.substr(1)), "文件格式不符！");
    EXPECT_EQ(RefusalOf(wrongAddress), "入口地址不符！");

    // Every address digit and all 64 data digits; a damaged address digit is a format error.
    std::string damaged = wrongAddress;
    damaged[2] = 'G';
    EXPECT_EQ(RefusalOf(damaged), "文件格式不符！");
    for (std::size_t line : {7u, 56u}) {
        for (std::size_t k = 0; k < 47; ++k) {
            if (k % 3 == 2) continue;
            for (const char bad : {'G', ' ', '\0'}) {
                damaged = good;
                damaged[line + k] = bad;
                EXPECT_EQ(RefusalOf(damaged), "文件格式不符！") << line + k;
            }
        }
    }
}

}  // namespace
}  // namespace kx::image
