// The pane on a terminal: only what is new is printed, replaced panes come whole, line ends
// become "\n"; progress lines and y/N answers.

#include "cli/terminal_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/clock.h"
#include "sound/sound_player.h"

namespace kx::cli {
namespace {

TEST(PaneEcho, PrintsGrowthOnceAndReplacementsWhole) {
    PaneEcho echo;
    EXPECT_EQ(echo.Update("Connect the programmer successful!\r\n", false),
              "Connect the programmer successful!\n");
    EXPECT_EQ(echo.Update("", false), "");  // cleared
    EXPECT_EQ(echo.Update("A\r\n", true), "A\n");
    // Text appended without a refresh comes with the next one, once.
    EXPECT_EQ(echo.Update("A\r\nchip:F14x\r\n\r\nB\r\n", true), "chip:F14x\n\nB\n");
    // A replacement is a new report even when the text is the same.
    EXPECT_EQ(echo.Update("Fail\r\n", false), "Fail\n");
    EXPECT_EQ(echo.Update("Fail\r\n", false), "Fail\n");
    // A refresh ending between CR and LF gives one line end.
    EXPECT_EQ(echo.Update("Fail\r\nTime:5 Sec\r", true), "Time:5 Sec");
    EXPECT_EQ(echo.Update("Fail\r\nTime:5 Sec\r\nnext", true), "\nnext");
    // A replacement after an unfinished line starts a line of its own.
    EXPECT_EQ(echo.Update("Limit", false), "\nLimit");
    EXPECT_EQ(echo.Finish(), "\n");
    EXPECT_EQ(echo.Finish(), "");
}

std::string Contents(std::FILE* f) {
    std::rewind(f);
    std::string s;
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) s += static_cast<char>(c);
    return s;
}

TEST(TerminalOutput, PaneProgressQuestionsAndLastLine) {
    std::FILE* pane = std::tmpfile();
    std::FILE* status = std::tmpfile();
    std::FILE* answers = std::tmpfile();
    ASSERT_TRUE(pane && status && answers);
    std::fputs("y\n\n", answers);
    std::rewind(answers);
    ManualClock clock;
    TerminalOutput::Streams streams{pane, status, answers, true, true, false};
    TerminalOutput out(UiLanguage::English, clock, streams, false);
    out.AppendMessage(Message::ProgramStart);
    out.SetProgressRange(10);
    out.SetProgressPos(5);
    out.AppendMessage(Message::ProgramDone);
    out.AppendText("pending");
    out.Note("own line");
    EXPECT_TRUE(out.ConfirmMessage(Message::ConfirmFuse));       // "y"
    EXPECT_FALSE(out.ConfirmMessage(Message::ConfirmDownload));  // empty answer: No
    EXPECT_FALSE(out.ConfirmMessage(Message::ConfirmUpdate));    // end of input: No
    out.Finish();
    EXPECT_EQ(out.LastPaneLine(), "pending");
    EXPECT_EQ(Contents(pane), "Start programming...\nProgramming successful!\nown line\n");
    const std::string st = Contents(status);
    EXPECT_NE(st.find(" 50% [###############...............] 5/10"), std::string::npos);
    EXPECT_NE(st.find("\r\033[K"), std::string::npos);  // progress removed before the pane
    EXPECT_NE(st.find("Are you sure to burn the fuse? [y/N] "), std::string::npos);

    // --yes answers OK; without a terminal to ask the answer is Cancel.
    EXPECT_TRUE(TerminalOutput(UiLanguage::English, clock, streams, true)
                    .ConfirmMessage(Message::ConfirmUpdate));
    streams.canAsk = false;
    EXPECT_FALSE(TerminalOutput(UiLanguage::English, clock, streams, false)
                     .ConfirmMessage(Message::ConfirmDownload));
    EXPECT_NE(Contents(status).find("Pass --yes"), std::string::npos);
    // The closing line's reason: whichever came last, a warning or the pane.
    out.Warn("first\nnot saved\n");
    EXPECT_EQ(out.LastReportLine(), "not saved");
    out.ShowMessage(Message::ProgramFailed);
    EXPECT_EQ(out.LastReportLine(), "Failed in programming!");
    // The completion signal: the bell on a terminal, elsewhere the tones (--beep).
    struct Recorder final : sound::SoundPlayer {
        int plays = 0;
        void Play(std::vector<std::int16_t>, unsigned) override { ++plays; }
    } tones;
    for (const bool terminal : {true, false}) {
        streams.canBeep = terminal;
        TerminalOutput beeping(UiLanguage::English, clock, streams, false);
        beeping.SetTonePlayer(&tones);
        beeping.SetBeepOn(true);
        beeping.CompletionBeep();
    }
    EXPECT_TRUE(Contents(status).ends_with("not saved\n\a\a\a")) << Contents(status);
    EXPECT_EQ(tones.plays, 1);
    for (std::FILE* f : {pane, status, answers}) std::fclose(f);
    EXPECT_EQ(EscapeForTerminal("V1\x1b[2J\\\x7f\xe4"), "V1\\x1B[2J\\x5C\\x7F\\xE4");

    EXPECT_EQ(ProgressLine(200, 250), "100% [##############################] 200/200");
    EXPECT_EQ(ProgressLine(0, 0), "  0% [..............................] 0/0");
    EXPECT_TRUE(IsYes("  YES \r\n"));
    EXPECT_TRUE(IsYes("是\n"));
    EXPECT_FALSE(IsYes("yy\n"));
}

}  // namespace
}  // namespace kx::cli
