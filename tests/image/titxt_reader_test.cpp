#include "image/titxt_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "image/load_report.h"
#include "image_test_helpers.h"

namespace kx::image {
namespace {

using testing::Bytes;
using testing::MustLoad;
using testing::MustRefuse;

TEST(TiTxtReader, LoadsBytesCountsThemAndKeepsTheText) {
    const std::string text = "@F000\r\n31 40 00 0A\r\nq\r\n";
    const auto load = MustLoad(text);
    ASSERT_TRUE(load.image);
    EXPECT_EQ(load.byteCount, 4u);
    EXPECT_EQ(load.image->At(0xF000), 0x31);
    EXPECT_EQ(load.image->At(0xF003), 0x0A);
    EXPECT_EQ(load.viewText, text);
    // Everything else stays 0xFF.
    EXPECT_TRUE(load.image->IsBlockEmpty(0, 0xF000));
    EXPECT_TRUE(load.image->IsBlockEmpty(0xF004, kImageSize - 0xF004));

    // Lower case, LF line ends, an upper-case end line without a line end, trailing blanks,
    // a 5-digit address and a second section all load the same way.
    const auto mixed = MustLoad("@f000\n3a 4b \n@10000\r\nc0 de\t\nQ");
    EXPECT_EQ(mixed.byteCount, 4u);
    EXPECT_EQ(mixed.image->WordAt(0xF000), 0x4B3A);
    EXPECT_EQ(mixed.image->WordAt(0x10000), 0xDEC0);
    EXPECT_EQ(mixed.image->At(0xF002), 0xFF);

    // Blank lines (before and after the end line) hold no bytes; lines after the first end
    // line are shown but not loaded.
    const auto after = MustLoad("@1000\r\n\r\n11\r\nq\r\n@2000\r\n22\r\nq\r\n\r\n");
    EXPECT_EQ(after.byteCount, 1u);
    EXPECT_EQ(after.image->At(0x1000), 0x11);
    EXPECT_EQ(after.image->At(0x2000), 0xFF);
    EXPECT_NE(after.viewText.find("@2000"), std::string::npos);

    // A byte stored twice counts twice; the later value wins.
    const auto twice = MustLoad("@1000\n11 22\n@1000\n33\nq\n");
    EXPECT_EQ(twice.byteCount, 3u);
    EXPECT_EQ(twice.image->At(0x1000), 0x33);
}

TEST(TiTxtReader, ReadsLongLinesWhole) {
    // 24 pairs = 71 characters: bytes beyond the 50th character must not be dropped.
    std::string line;
    for (int i = 0; i < 24; ++i) line += (i ? " " : "") + std::string(i < 23 ? "5A" : "C3");
    const auto load = MustLoad("@2000\r\n" + line + "\r\nq\r\n");
    EXPECT_EQ(load.byteCount, 24u);
    EXPECT_EQ(load.image->At(0x2016), 0x5A);
    EXPECT_EQ(load.image->At(0x2017), 0xC3);
}

TEST(TiTxtReader, TakesTheVectorsOfTheLoadedCode) {
    const auto none = MustLoad("@F000\n31 40\nq\n");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(none.vectors.table[i], 0xFFFF);
        EXPECT_EQ(none.vectors.inUse[i], 0);
    }
    // Only 0xFFF2 (i = 9) and the reset vector 0xFFFE (i = 15) are set.
    const auto some = MustLoad("@FFF2\n34 12\n@FFFE\n00 F0\nq\n");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(some.vectors.inUse[i], (i == 9 || i == 15) ? 1 : 0) << i;
    }
    EXPECT_EQ(some.vectors.table[9], 0x1234);
    EXPECT_EQ(some.vectors.table[15], 0xF000);
}

TEST(TiTxtReader, RefusesBrokenFramesWithMessage2) {
    for (const std::string bad : {"", "@", "\r\n@F000\r\n11\r\nq\r\n", "@F000\r\n11\r\n",
                                  "@F000\r\nq\r\n11\r\n", "@F000\r\n11\r\n q\r\n"}) {
        const auto refusal = MustRefuse(bad);
        EXPECT_EQ(refusal.problem, TiTxtProblem::Format) << bad;
        EXPECT_EQ(refusal.message, 2) << bad;
        EXPECT_EQ(refusal.line, 0u) << bad;
    }
}

TEST(TiTxtReader, RefusesNonDigitsWhereDigitsMustStand) {
    // Each of these once produced invented or shifted bytes silently.
    const struct {
        const char* text;
        std::size_t line;
    } cases[] = {
        {"@F000\n31 4G\nq\n", 2},      // not a digit
        {"@F000\n31 4\nq\n", 2},       // half a pair
        {"@F000\n3140\nq\n", 2},       // digit where the blank belongs
        {"@F000\n314041\nq\n", 2},     // pairs run together
        {"@F000\n31  40\nq\n", 2},     // two blanks shift the pairs
        {"@F000\n 31\nq\n", 2},        // leading blank
        {"@F0X0\n31\nq\n", 1},         // address digit
        {"@\n31\nq\n", 1},             // no address at all
        {"@F000\n31\n@1O00\nq\n", 3},  // letter O in an address
        {"@F000\n31\r40\nq\n", 2},     // stray CR inside a line
    };
    for (const auto& c : cases) {
        const auto refusal = MustRefuse(c.text);
        EXPECT_EQ(refusal.problem, TiTxtProblem::Format) << c.text;
        EXPECT_EQ(refusal.message, 2) << c.text;
        EXPECT_EQ(refusal.line, c.line) << c.text;
    }
}

TEST(TiTxtReader, RefusesDataBeyondTheImage) {
    const auto last = MustLoad("@45BFF\n7E\nq\n");
    EXPECT_EQ(last.image->At(0x45BFF), 0x7E);

    const auto refusal = MustRefuse("@45BFE\n01 02 03\nq\n");
    EXPECT_EQ(refusal.problem, TiTxtProblem::BeyondImage);
    EXPECT_EQ(refusal.address, 0x45C00u);
    EXPECT_EQ(refusal.line, 2u);
    EXPECT_EQ(MustRefuse("@FFFFF\n01\nq\n").address, 0xFFFFFu);
    // An address far out with no data after it harms nothing.
    EXPECT_EQ(MustLoad("@1000\n01\n@FFFFF\nq\n").byteCount, 1u);

    EXPECT_EQ(RefusalText(refusal, UiLanguage::English),
              "Data at address 0x45C00 lies beyond the largest MSP430 memory (0x45BFF); file "
              "not loaded. Check the file's address lines.\r\n");
    EXPECT_NE(RefusalText(refusal, UiLanguage::Chinese).find("0x45C00"), std::string::npos);
}

TEST(TiTxtReader, RefusalLeavesTheCallersImageAlone) {
    // The caller's way: swap the new image in only on success.
    auto current = MustLoad("@F000\n31 40\nq\n");
    const auto before = current.image->WordAt(0xF000);
    for (const char* bad : {"@F000\n99 9Z\nq\n", "@46000\n00\nq\n", "@F000\n99\n"}) {
        auto result = ParseTiTxt(Bytes(bad));
        if (auto* ok = std::get_if<TiTxtLoad>(&result)) current = std::move(*ok);
    }
    EXPECT_EQ(current.image->WordAt(0xF000), before);
    EXPECT_EQ(current.image->At(0xF002), 0xFF);
}

TEST(TiTxtReader, FileErrorsAreRefusals) {
    const auto result = LoadTiTxtFile("/nonexistent-folder/code.txt");
    ASSERT_TRUE(std::holds_alternative<TiTxtRefusal>(result));
    const auto& refusal = std::get<TiTxtRefusal>(result);
    EXPECT_EQ(refusal.problem, TiTxtProblem::Unreadable);
    EXPECT_EQ(refusal.message, TiTxtRefusal::kNoMessage);
    EXPECT_NE(RefusalText(refusal, UiLanguage::English).find("Cannot read the file"),
              std::string::npos);
}

}  // namespace
}  // namespace kx::image
