// The pane on a terminal: only what is new is printed, replaced panes come whole, line ends
// become "\n", progress lines, and y/N answers.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/terminal_output.h"
#include "common/clock.h"

namespace kx::cli {
namespace {

TEST(PaneEcho, PrintsGrowthOnceAndReplacementsWhole) {
    PaneEcho echo;
    EXPECT_EQ(echo.Update("Connect the programmer successful!\r\n", false),
              "Connect the programmer successful!\n");
    // A cleared pane prints nothing; what follows it is new.
    EXPECT_EQ(echo.Update("", false), "");
    EXPECT_EQ(echo.Update("Start programming...\r\n", true), "Start programming...\n");
    EXPECT_EQ(echo.Update("Start programming...\r\nProgramming successful!\r\n", true),
              "Programming successful!\n");
    // Text appended without refresh shows with the next refresh, once.
    EXPECT_EQ(echo.Update("Start programming...\r\nProgramming successful!\r\nTarget chip:"
                          "F14x\r\n\r\nProgramming mode: JTAG.\r\n",
                          true),
              "Target chip:F14x\n\nProgramming mode: JTAG.\n");
    // The same text shown again by a replacement is a new report: printed again.
    EXPECT_EQ(echo.Update("Fail to connect the programmer!\r\n", false),
              "Fail to connect the programmer!\n");
    EXPECT_EQ(echo.Update("Fail to connect the programmer!\r\n", false),
              "Fail to connect the programmer!\n");
    // An "append" that does not continue what was shown is printed whole.
    EXPECT_EQ(echo.Update("Other\r\n", true), "Other\n");
    EXPECT_TRUE(echo.AtLineStart());
    EXPECT_EQ(echo.Finish(), "");
}

TEST(PaneEcho, LineEndsSplitAcrossRefreshesAndUnfinishedLines) {
    PaneEcho echo;
    // A refresh ending between CR and LF: one line end, not two.
    EXPECT_EQ(echo.Update("Time escaped:5 Sec\r", true), "Time escaped:5 Sec");
    EXPECT_FALSE(echo.AtLineStart());
    EXPECT_EQ(echo.Update("Time escaped:5 Sec\r\nnext", true), "\nnext");
    // A replacement after an unfinished line starts on a line of its own.
    EXPECT_EQ(echo.Update("Limit times: no line end", false), "\nLimit times: no line end");
    EXPECT_EQ(echo.Finish(), "\n");
    EXPECT_EQ(echo.Finish(), "");

    EXPECT_EQ(ToTerminalLineEnds("a\r\nb\rc\n"), "a\nb\nc\n");
    EXPECT_EQ(ToTerminalLineEnds("编程成功！\r\n"), "编程成功！\n");
}

TEST(TerminalOutputStreams, PaneQuestionsAndLastLine) {
    std::FILE* pane = std::tmpfile();
    std::FILE* status = std::tmpfile();
    std::FILE* answers = std::tmpfile();
    ASSERT_TRUE(pane && status && answers);
    std::fputs("y\n\nyes\n", answers);
    std::rewind(answers);

    ManualClock clock;
    TerminalOutput::Streams streams{.pane = pane,
                                    .status = status,
                                    .answers = answers,
                                    .progress = true,
                                    .canAsk = true,
                                    .canBeep = false};
    TerminalOutput out(UiLanguage::English, clock, streams, false);
    out.ClearOutput();
    out.AppendMessage(22);
    out.SetProgressRange(10);
    out.SetProgressPos(5);
    out.AppendMessage(24);
    out.AppendText("pending");
    out.Note("own line");
    EXPECT_TRUE(out.ConfirmMessage(54));   // "y"
    EXPECT_FALSE(out.ConfirmMessage(55));  // empty answer: the default is No
    EXPECT_TRUE(out.ConfirmMessage(56));   // "yes"
    EXPECT_FALSE(out.ConfirmMessage(54));  // end of input
    out.Finish();
    EXPECT_EQ(out.LastPaneLine(), "pending");

    const auto contents = [](std::FILE* f) {
        std::rewind(f);
        std::string s;
        for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) s += static_cast<char>(c);
        return s;
    };
    EXPECT_EQ(contents(pane), "Start programming...\nProgramming successful!\nown line\n");
    const std::string st = contents(status);
    EXPECT_NE(st.find(" 50% ["), std::string::npos);
    EXPECT_NE(st.find("\r\033[K"), std::string::npos);  // progress removed before the pane
    EXPECT_NE(st.find("Are you sure to burn the fuse? [y/N] "), std::string::npos);

    // --yes answers OK; without a terminal and without --yes the answer is Cancel.
    TerminalOutput yes(UiLanguage::English, clock, streams, true);
    EXPECT_TRUE(yes.ConfirmMessage(56));
    streams.canAsk = false;
    TerminalOutput noTerminal(UiLanguage::English, clock, streams, false);
    EXPECT_FALSE(noTerminal.ConfirmMessage(55));
    EXPECT_NE(contents(status).find("Pass --yes"), std::string::npos);
    std::fclose(pane);
    std::fclose(status);
    std::fclose(answers);
}

TEST(TerminalOutputFormat, ProgressAndAnswers) {
    EXPECT_EQ(ProgressLine(200, 0), "  0% [..............................] 0/200");
    EXPECT_EQ(ProgressLine(200, 100), " 50% [###############...............] 100/200");
    EXPECT_EQ(ProgressLine(200, 250), "100% [##############################] 200/200");
    EXPECT_EQ(ProgressLine(0, 0), "  0% [..............................] 0/0");

    EXPECT_TRUE(IsYes("y\n"));
    EXPECT_TRUE(IsYes("  YES \r\n"));
    EXPECT_TRUE(IsYes("是\n"));
    EXPECT_FALSE(IsYes("\n"));
    EXPECT_FALSE(IsYes("n\n"));
    EXPECT_FALSE(IsYes("yy\n"));
}

}  // namespace
}  // namespace kx::cli
