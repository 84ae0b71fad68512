#include "image/password_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/atomic_file.h"
#include "image_test_helpers.h"

namespace kx::image {
namespace {

using testing::Bytes;

security::Words16 SampleWords() {
    security::Words16 words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<std::uint16_t>(0x1234 + 0x1111 * i);
    }
    return words;
}

PasswordFileRefusal Refusal(const std::string& text) {
    const auto result = ParsePasswordFile(Bytes(text));
    if (!std::holds_alternative<PasswordFileRefusal>(result)) {
        ADD_FAILURE() << "accepted: " << text;
        return {};
    }
    return std::get<PasswordFileRefusal>(result);
}

TEST(PasswordFile, HasTheFixedLayout) {
    security::Words16 erased;
    erased.fill(0xFFFF);
    const std::string ffLine = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
    EXPECT_EQ(PasswordFileText(erased), "@FFE0\r\n" + ffLine + "\r\n" + ffLine + "\r\nq\r\n");

    const std::string text = PasswordFileText(SampleWords());
    ASSERT_EQ(text.size(), kPasswordFileSize);
    EXPECT_EQ(text.substr(7, 5), "34 12");   // word 0, low byte first
    EXPECT_EQ(text.substr(49, 5), "AB 89");  // word 7 = 0x89AB ends the first line
    EXPECT_EQ(text.substr(54, 2), "\r\n");
    EXPECT_EQ(text.substr(56, 2), "BC");  // word 8 = 0x9ABC
    EXPECT_EQ(text.substr(59, 2), "9A");
    EXPECT_EQ(text[105], 'q');

    const auto back = ParsePasswordFile(Bytes(text));
    ASSERT_TRUE(std::holds_alternative<security::Words16>(back));
    EXPECT_EQ(std::get<security::Words16>(back), SampleWords());
}

TEST(PasswordFile, ChecksLengthThenFormatThenAddress) {
    const std::string good = PasswordFileText(SampleWords());
    // A wrong length wins over everything else.
    EXPECT_EQ(Refusal(good + "\r\n").message, "文件长度不符！");
    EXPECT_EQ(Refusal("").problem, PasswordFileProblem::Length);

    std::string noMark = good;
    noMark[105] = 'x';
    noMark.replace(1, 4, "FFF0");
    EXPECT_EQ(Refusal(noMark).message, "文件格式不符！");
    std::string noAt = good;
    noAt[0] = '#';
    EXPECT_EQ(Refusal(noAt).problem, PasswordFileProblem::Format);

    std::string wrongAddress = good;
    wrongAddress.replace(1, 4, "FFF0");
    EXPECT_EQ(Refusal(wrongAddress).message, "入口地址不符！");
    EXPECT_EQ(Refusal(wrongAddress).problem, PasswordFileProblem::Address);
}

TEST(PasswordFile, RefusesAnyNonDigitAtADigitPosition) {
    const std::string good = PasswordFileText(SampleWords());
    // Every address digit and all 64 data digits; also before the address check.
    std::vector<std::size_t> positions = {1, 2, 3, 4};
    for (std::size_t j = 0; j < 16; ++j) {
        for (std::size_t line : {7u, 56u}) {
            positions.push_back(line + 3 * j);
            positions.push_back(line + 3 * j + 1);
        }
    }
    for (const std::size_t pos : positions) {
        for (const char bad : {'G', ' ', 'x', '\0'}) {
            std::string damaged = good;
            damaged[pos] = bad;
            EXPECT_EQ(Refusal(damaged).message, "文件格式不符！") << pos << " " << bad;
        }
    }
    // Lower-case digits read the same as upper case.
    std::string lower = good;
    for (std::size_t k = 1; k < lower.size(); ++k) {
        if (lower[k] >= 'A' && lower[k] <= 'F') lower[k] = static_cast<char>(lower[k] + 32);
    }
    ASSERT_NE(lower, good);
    const auto result = ParsePasswordFile(Bytes(lower));
    ASSERT_TRUE(std::holds_alternative<security::Words16>(result));
    EXPECT_EQ(std::get<security::Words16>(result), SampleWords());
}

TEST(PasswordFile, SavesAndReadsFiles) {
    testing::TempFolder folder;
    const std::string path = folder.Path(std::string(kPasswordFileName));
    EXPECT_FALSE(SavePasswordFile(path, SampleWords()).has_value());
    const auto bytes = ReadWholeFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), kPasswordFileSize);
    const auto read = ReadPasswordFile(path);
    ASSERT_TRUE(std::holds_alternative<security::Words16>(read));
    EXPECT_EQ(std::get<security::Words16>(read), SampleWords());

    const auto unwritable = SavePasswordFile(folder.Path("no/such/folder.TXT"), SampleWords());
    ASSERT_TRUE(unwritable.has_value());
    EXPECT_EQ(unwritable->problem, PasswordFileProblem::Unwritable);
    const auto unreadable = ReadPasswordFile(folder.Path("absent.TXT"));
    ASSERT_TRUE(std::holds_alternative<PasswordFileRefusal>(unreadable));
    EXPECT_EQ(std::get<PasswordFileRefusal>(unreadable).problem, PasswordFileProblem::Unreadable);
}

}  // namespace
}  // namespace kx::image
