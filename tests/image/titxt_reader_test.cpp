#include "image/titxt_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "image/load_report.h"
#include "messages/text_output.h"

namespace kx::image {
namespace {

TiTxtResult Parse(std::string_view text) {
    return ParseTiTxt({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// A refused parse fails the test but still yields an (empty) image to check against.
TiTxtLoad Load(std::string_view text) {
    auto result = Parse(text);
    if (auto* ok = std::get_if<TiTxtLoad>(&result)) return std::move(*ok);
    ADD_FAILURE() << "refused: " << text;
    TiTxtLoad empty;
    empty.image = std::make_unique<CodeImage>();
    return empty;
}

TiTxtRefusal Refuse(std::string_view text) {
    auto result = Parse(text);
    if (auto* refusal = std::get_if<TiTxtRefusal>(&result)) return *refusal;
    ADD_FAILURE() << "accepted: " << text;
    return {};
}

TEST(TiTxtReader, LoadsCountsAndKeepsTheText) {
    const std::string text = "@F000\r\n31 40 00 0A\r\nq\r\n";
    const auto load = Load(text);
    EXPECT_EQ(load.byteCount, 4u);
    EXPECT_EQ(load.image->WordAt(0xF002), 0x0A00);
    EXPECT_TRUE(load.image->IsBlockEmpty(0, 0xF000));
    EXPECT_TRUE(load.image->IsBlockEmpty(0xF004, kImageSize - 0xF004));
    EXPECT_EQ(load.viewText, text);

    // Lower case, LF alone, trailing blanks, a 5-digit address, blank lines and an upper-case
    // end line without a line end; lines after the end line are not loaded.
    const auto mixed = Load("@f000\n3a 4b \n\n@10000\r\nc0 de\t\nQ\n@2000\n22\nq");
    EXPECT_EQ(mixed.byteCount, 4u);
    EXPECT_EQ(mixed.image->WordAt(0xF000), 0x4B3A);
    EXPECT_EQ(mixed.image->WordAt(0x10000), 0xDEC0);
    EXPECT_EQ(mixed.image->At(0x2000), 0xFF);

    // A data line of 24 pairs (71 characters) is read whole; a byte stored twice counts twice.
    std::string line = "00";
    for (int i = 1; i < 24; ++i) line += " " + std::to_string(10 + i);
    const auto longLine = Load("@2000\r\n" + line + "\r\n@2000\r\n5A\r\nq\r\n\r\n");
    EXPECT_EQ(longLine.byteCount, 25u);
    EXPECT_EQ(longLine.image->At(0x2000), 0x5A);
    EXPECT_EQ(longLine.image->At(0x2017), 0x33);
}

TEST(TiTxtReader, RefusesWhatIsNotTiTxt) {
    // The frame: no leading "@", no end line last, blank before the "q".
    for (const char* bad :
         {"", "\r\n@F000\r\n11\r\nq\r\n", "@F000\r\n11\r\n", "@F000\nq\n11\n", "@F000\n11\n q\n"}) {
        const auto refusal = Refuse(bad);
        EXPECT_EQ(refusal.message, 2) << bad;
        EXPECT_EQ(refusal.line, 0u) << bad;
    }
    // Non-digits where digits must stand; each once gave invented or shifted bytes.
    const std::pair<const char*, std::size_t> cases[] = {
        {"@F000\n31 4G\nq\n", 2},  {"@F000\n31 4\nq\n", 2}, {"@F000\n3140\nq\n", 2},
        {"@F000\n31  40\nq\n", 2}, {"@F000\n 31\nq\n", 2},  {"@F000\n31\r40\nq\n", 2},
        {"@F0X0\n31\nq\n", 1},     {"@\n31\nq\n", 1},       {"@F000\n31\n@1O00\nq\n", 3}};
    for (const auto& [text, line] : cases) {
        const auto refusal = Refuse(text);
        EXPECT_EQ(refusal.problem, TiTxtProblem::Format) << text;
        EXPECT_EQ(refusal.message, 2) << text;
        EXPECT_EQ(refusal.line, line) << text;
    }
}

TEST(TiTxtReader, RefusesDataBeyondTheImage) {
    EXPECT_EQ(Load("@45BFF\n7E\n@FFFFF\nq\n").image->At(0x45BFF), 0x7E);
    const auto refusal = Refuse("@45BFE\n01 02 03\nq\n");
    EXPECT_EQ(refusal.problem, TiTxtProblem::BeyondImage);
    EXPECT_EQ(refusal.address, 0x45C00u);
    EXPECT_NE(RefusalText(refusal, UiLanguage::Chinese).find("0x45C00"), std::string::npos);
}

TEST(TiTxtReader, RefusalLeavesTheCallersImageAlone) {
    auto current = Load("@F000\n31 40\nq\n");
    for (const char* bad : {"@F000\n99 9Z\nq\n", "@46000\n00\nq\n", "@F000\n99\n"}) {
        auto result = Parse(bad);
        if (auto* ok = std::get_if<TiTxtLoad>(&result)) current = std::move(*ok);
    }
    EXPECT_EQ(current.image->WordAt(0xF000), 0x4031);
    EXPECT_EQ(current.image->At(0xF002), 0xFF);

    const auto unreadable = LoadTiTxtFile("/nonexistent-folder/code.txt");
    ASSERT_TRUE(std::holds_alternative<TiTxtRefusal>(unreadable));
    EXPECT_EQ(std::get<TiTxtRefusal>(unreadable).problem, TiTxtProblem::Unreadable);
}

TEST(LoadReport, PaneAndTitle) {
    TextOutput out(UiLanguage::English);
    ReportLoad(out, "/home/u/blink.txt", 1234);
    EXPECT_EQ(out.ShownText(), "Load file:\r\n/home/u/blink.txt\r\nCode size(Bytes):1234\r\n");
    ReportRefusal(out, Refuse("@1\n"));
    EXPECT_EQ(out.ShownText(), "File format not match!\r\n");
    ReportRefusal(out, Refuse("@45BFE\n01 02 03\nq\n"));
    EXPECT_EQ(out.ShownText(),
              "Data at address 0x45C00 lies beyond the largest MSP430 memory (0x45BFF); file "
              "not loaded. Check the file's address lines.\r\n");

    EXPECT_EQ(WindowTitle("/home/u/Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
    EXPECT_EQ(WindowTitle("C:\\code\\Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
}

}  // namespace
}  // namespace kx::image
