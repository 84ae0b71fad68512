#include "messages/text_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kx {
namespace {

// Records what the window would be asked to do.
class RecordingOutput : public TextOutput {
public:
    using TextOutput::TextOutput;
    struct Refresh {
        std::string text;
        bool scroll;
    };
    std::vector<Refresh> refreshes;
    std::vector<bool> busyCalls;
    int beeps = 0;

protected:
    void OnRefresh(std::string_view wholeText, bool scrollToEnd) override {
        refreshes.push_back({std::string(wholeText), scrollToEnd});
    }
    void OnBeep() override { ++beeps; }
    void OnBusy(bool on) override { busyCalls.push_back(on); }
};

std::string Elapsed(std::uint32_t startTick, std::uint32_t elapsedMs,
                    UiLanguage lang = UiLanguage::English) {
    ManualClock clock(startTick);
    clock.Advance(elapsedMs);
    TextOutput out(lang, clock);
    out.AppendElapsedTime(startTick);
    return out.ShownText();
}

TEST(TextOutput, ElapsedTimeLine) {
    EXPECT_EQ(Elapsed(5000, 59'900), "Time escaped:59 Sec\r\n");
    EXPECT_EQ(Elapsed(5000, 60'000), "Time escaped:1 Min 0 Sec\r\n");
    EXPECT_EQ(Elapsed(5000, 3'725'000), "Time escaped:62 Min 5 Sec\r\n");
    // The tick counter wraps between start and end.
    EXPECT_EQ(Elapsed(0xFFFFFC18u, 61'500), "Time escaped:1 Min 1 Sec\r\n");
    EXPECT_EQ(Elapsed(0, 125'000, UiLanguage::Chinese), "运行时间：2 Min 5 Sec\r\n");
}

TEST(TextOutput, ShowReplacesAppendContinues) {
    RecordingOutput out(UiLanguage::English);
    out.AppendMessage(22);
    out.ShowMessage(10);
    EXPECT_EQ(out.Text(), "Connect the programmer successful!\r\n");
    out.AppendMessage(24);
    EXPECT_EQ(out.ShownText(), "Connect the programmer successful!\r\nProgramming successful!\r\n");
    out.ShowText("MSP430X");
    EXPECT_EQ(out.ShownText(), "MSP430X");
    out.ClearOutput();
    EXPECT_EQ(out.ShownText(), "");

    ASSERT_EQ(out.refreshes.size(), 5u);
    EXPECT_TRUE(out.refreshes[0].scroll);   // AppendMessage
    EXPECT_FALSE(out.refreshes[1].scroll);  // ShowMessage
    EXPECT_TRUE(out.refreshes[2].scroll);   // AppendMessage
    EXPECT_FALSE(out.refreshes[3].scroll);  // ShowText
    EXPECT_FALSE(out.refreshes[4].scroll);  // ClearOutput
}

TEST(TextOutput, AppendTextWaitsForTheNextRefresh) {
    RecordingOutput out(UiLanguage::English);
    out.ShowMessage(61);
    out.AppendText("C:\\code.txt");
    EXPECT_EQ(out.refreshes.size(), 1u);
    EXPECT_EQ(out.ShownText(), out.refreshes.back().text);
    EXPECT_EQ(out.ShownText().find("code.txt"), std::string::npos);
    out.AppendMessage(1);
    // Message 61 has no line end in English, so the appended text joins its line.
    EXPECT_EQ(out.refreshes.back().text,
              "Limit times: 1-60000 is valid, or 0 means no limit, it will be fit to 60000 "
              "while greater than 60000.C:\\code.txt\r\nCode size(Bytes):");
    EXPECT_EQ(out.RefreshCount(), 2);
}

TEST(TextOutput, BeepConfirmBusy) {
    RecordingOutput out(UiLanguage::Chinese);
    out.CompletionBeep();
    EXPECT_EQ(out.beeps, 0);
    out.SetSoundOn(true);
    out.CompletionBeep();
    out.CompletionBeep();
    EXPECT_EQ(out.beeps, 2);
    EXPECT_EQ(out.BeepCount(), 2);

    EXPECT_FALSE(out.ConfirmMessage(54));  // no handler: Cancel
    std::vector<std::pair<int, std::string>> asked;
    out.SetConfirmHandler([&asked](int n, std::string_view text) {
        asked.emplace_back(n, std::string(text));
        return n == 55;
    });
    EXPECT_TRUE(out.ConfirmMessage(55));
    EXPECT_FALSE(out.ConfirmMessage(56));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].second, "请先设置好离线操作选项!\r\n确认载入代码？");
    EXPECT_EQ(asked[1].first, 56);

    {
        BusyScope busy(out);
        EXPECT_TRUE(out.Busy());
    }
    EXPECT_FALSE(out.Busy());
    EXPECT_EQ(out.busyCalls, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace kx
