#include "messages/text_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

// Records what the window would be asked to do. A refresh shows the whole text, with "+"
// in front when it scrolls to the end.
class RecordingOutput : public TextOutput {
  public:
    using TextOutput::TextOutput;
    std::vector<std::string> events;

  protected:
    void OnRefresh(std::string_view wholeText, bool scrollToEnd) override {
        events.push_back((scrollToEnd ? "+" : "") + std::string(wholeText));
    }
};

TEST(TextOutput, ElapsedTimeLine) {
    const auto elapsed = [](std::uint32_t startTick, std::uint32_t ms,
                            UiLanguage lang = UiLanguage::English) {
        ManualClock clock(startTick + ms);
        TextOutput out(lang, clock);
        out.AppendElapsedTime(startTick);
        return out.ShownText();
    };
    EXPECT_EQ(elapsed(5000, 59'900), "Time escaped:59 Sec\r\n");
    EXPECT_EQ(elapsed(5000, 60'000), "Time escaped:1 Min 0 Sec\r\n");
    EXPECT_EQ(elapsed(5000, 3'725'000), "Time escaped:62 Min 5 Sec\r\n");
    // The tick counter wraps between start and end.
    EXPECT_EQ(elapsed(0xFFFFFC18u, 61'500), "Time escaped:1 Min 1 Sec\r\n");
    EXPECT_EQ(elapsed(0, 125'000, UiLanguage::Chinese), "运行时间：2 Min 5 Sec\r\n");
}

TEST(TextOutput, ShowReplacesAppendScrollsAppendTextWaits) {
    RecordingOutput out(UiLanguage::English);
    out.AppendMessage(Message::ProgramStart);
    out.ShowMessage(Message::Connected);
    out.AppendMessage(Message::ProgramDone);
    out.ShowText("MSP430X");
    out.ClearOutput();
    // Message 61 has no line end in English, so appended text joins its line, and shows
    // only with the next message.
    out.ShowMessage(Message::CountLimitHint);
    out.AppendText("C:\\code.txt");
    out.AppendMessage(Message::CodeSize);
    out.AppendShownText("end");
    const std::string limit =
        "Limit times: 1-60000 is valid, or 0 means no limit, it will be fit to 60000 while "
        "greater than 60000.";
    EXPECT_EQ(out.events,
              (std::vector<std::string>{
                  "+Start programming...\r\n", "Connect the programmer successful!\r\n",
                  "+Connect the programmer successful!\r\nProgramming successful!\r\n", "MSP430X",
                  "", limit, "+" + limit + "C:\\code.txt\r\nCode size(Bytes):",
                  "+" + limit + "C:\\code.txt\r\nCode size(Bytes):end"}));
}

TEST(TextOutput, Confirm) {
    RecordingOutput out(UiLanguage::Chinese);
    EXPECT_FALSE(out.ConfirmMessage(Message::ConfirmFuse));  // no handler: Cancel
    std::string asked;
    out.SetConfirmHandler([&asked](Message n, std::string_view text) {
        asked += std::to_string(static_cast<int>(n)) + " " + std::string(text) + "|";
        return n == Message::ConfirmDownload;
    });
    EXPECT_TRUE(out.ConfirmMessage(Message::ConfirmDownload));
    EXPECT_FALSE(out.ConfirmMessage(Message::ConfirmFuse));
    EXPECT_EQ(asked, "55 请先设置好离线操作选项!\r\n确认载入代码？|54 确定要烧熔丝？|");
}

}  // namespace
}  // namespace kx
