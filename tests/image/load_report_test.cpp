#include "image/load_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx::image {
namespace {

// Records the pane calls in order, e.g. "show 0", "append <text>".
class RecordingOutput final : public Output {
  public:
    explicit RecordingOutput(UiLanguage language) : language_(language) {}
    UiLanguage Language() const override { return language_; }
    void ClearOutput() override { calls.push_back("clear"); }
    void ShowMessage(int n) override { calls.push_back("show " + std::to_string(n)); }
    void ShowText(std::string_view text) override { calls.push_back("text " + std::string(text)); }
    void AppendMessage(int n) override { calls.push_back("message " + std::to_string(n)); }
    void AppendText(std::string_view text) override {
        calls.push_back("append " + std::string(text));
    }
    void AppendElapsedTime(std::uint32_t) override { calls.push_back("elapsed"); }
    void CompletionBeep() override { calls.push_back("beep"); }
    bool ConfirmMessage(int) override { return false; }
    void BusyCursor(bool) override {}
    void SetProgressRange(std::uint32_t) override {}
    void SetProgressPos(std::uint32_t) override {}

    std::vector<std::string> calls;

  private:
    UiLanguage language_;
};

TEST(LoadReport, ReportsPathAndCountInThePaneLanguage) {
    RecordingOutput english(UiLanguage::English);
    ReportLoad(english, "/home/user/code/blink.txt", 1234);
    EXPECT_EQ(english.calls,
              (std::vector<std::string>{"show 0", "append /home/user/code/blink.txt",
                                        "append \r\nCode size(Bytes):", "append 1234\r\n"}));

    RecordingOutput chinese(UiLanguage::Chinese);
    ReportLoad(chinese, "a.txt", 0);
    ASSERT_EQ(chinese.calls.size(), 4u);
    EXPECT_EQ(chinese.calls[2], "append \r\n代码大小（字节）：");
    EXPECT_EQ(chinese.calls[3], "append 0\r\n");
}

TEST(LoadReport, RefusalsUseTheCatalogueOrTheirOwnText) {
    RecordingOutput out(UiLanguage::English);
    TiTxtRefusal format;
    format.message = 2;
    ReportRefusal(out, format);
    TiTxtRefusal beyond;
    beyond.problem = TiTxtProblem::BeyondImage;
    beyond.address = 0x50000;
    ReportRefusal(out, beyond);
    ASSERT_EQ(out.calls.size(), 2u);
    EXPECT_EQ(out.calls[0], "show 2");
    EXPECT_EQ(out.calls[1].rfind("text Data at address 0x50000 lies beyond", 0), 0u);
    EXPECT_EQ(RefusalText(format, UiLanguage::English), "File format not match!\r\n");
}

TEST(LoadReport, TitleCarriesTheFileNameOnly) {
    EXPECT_EQ(WindowTitle("/home/u/Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
    EXPECT_EQ(WindowTitle("C:\\code\\Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
    EXPECT_EQ(WindowTitle("Blink.TXT"), "KX_VELDRAN V02.73A - Blink.TXT");
}

}  // namespace
}  // namespace kx::image
