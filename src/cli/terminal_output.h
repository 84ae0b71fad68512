#pragma once
// The output pane on a terminal: what each refresh shows is printed as it grows, the CR LF
// of the messages become plain line ends, progress goes to stderr only when that is a
// terminal, and the OK/Cancel questions are asked as y/N.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "messages/text_output.h"

namespace kx::sound {
class SoundPlayer;
}

namespace kx::cli {

// Works out what a refresh adds to a stream that cannot take anything back.
class PaneEcho {
  public:
    // Terminal text for a refresh that shows `whole`. When the pane only grew (`appended`
    // and the old text is still its beginning) just the new part; otherwise the whole pane,
    // on a line of its own.
    std::string Update(std::string_view whole, bool appended);
    // Text the caller printed on the same stream outside the pane.
    void NoteWritten(std::string_view terminalText);
    // A line end still held back, and one to finish a last line that has none.
    std::string Finish();
    bool AtLineStart() const { return atLineStart_ && !pendingCr_; }

  private:
    std::string Convert(std::string_view paneText);

    std::string shown_;
    bool pendingCr_ = false;  // a CR at the end of the last refresh, its LF may follow
    bool atLineStart_ = true;
};

// "CR LF" and lone CRs as "\n".
std::string ToTerminalLineEnds(std::string_view paneText);

// One progress line without line end, e.g. " 42% [########............]  1234/2940".
std::string ProgressLine(std::uint32_t upper, std::uint32_t pos);

// Text from a device, printable as it is: bytes outside printable ASCII, and the backslash,
// as "\xNN" (so that escape codes cannot act on the terminal).
std::string EscapeForTerminal(std::string_view text);

// True when the answer typed to a y/N question means yes.
bool IsYes(std::string_view answer);

// Where the command line's own lines go: Note beside the report, Warn beside the warnings.
// One terminal, or one box of a gang.
class ReportLines {
  public:
    virtual ~ReportLines() = default;
    virtual void Note(std::string_view text) = 0;
    virtual void Warn(std::string_view text) = 0;
};

class TerminalOutput final : public TextOutput, public ReportLines {
  public:
    struct Streams {
        std::FILE* pane = stdout;
        std::FILE* status = stderr;  // progress, questions, notes
        std::FILE* answers = stdin;  // where y/N is read from
        bool progress = false;       // draw progress on `status`
        bool canAsk = false;         // `answers` is a terminal
        bool canBeep = false;        // `status` is a terminal
    };

    // `assumeYes` answers every question OK (--yes).
    TerminalOutput(UiLanguage language, Clock& clock, Streams streams, bool assumeYes);

    // A line of the command line's own (not a catalogue message) on the pane stream.
    void Note(std::string_view text) override;
    // A line on the status stream (warnings, hints).
    void Warn(std::string_view text) override;
    // Shows what was appended without a refresh (AppendText) as a refresh would.
    void ShowPending() { OnRefresh(Text(), true); }
    // Ends the last line and removes the progress line; call before exiting.
    void Finish();
    // The last non-empty line of the pane, without its line end.
    std::string LastPaneLine() const;
    // The last line of what came last, the pane or a warning: the reason a failed command
    // gives in its closing line.
    std::string LastReportLine() const;

    // Follows the busy state and the progress bar (the firmware update holds signals by them).
    struct Watch {
        std::function<void(bool busy)> busy;
        std::function<void(std::uint32_t upper, std::uint32_t pos)> progress;
    };
    void SetWatch(Watch watch) { watch_ = std::move(watch); }

    // Where there is no terminal bell, the completion signal is played as tones on `player`
    // (--beep); without one it stays silent.
    void SetTonePlayer(sound::SoundPlayer* player) { tones_ = player; }

  protected:
    void OnRefresh(std::string_view wholeText, bool scrollToEnd) override;
    void OnBeep() override;
    void OnBusy(bool on) override;
    void OnProgress(std::uint32_t upper, std::uint32_t pos) override;

  private:
    bool Ask(std::string_view question);
    void ClearProgress();

    Streams streams_;
    bool assumeYes_;
    PaneEcho echo_;
    std::string progressShown_;  // the progress line now on the status stream
    std::string lastWarning_;
    bool warnedLast_ = false;  // a warning came after the last change of the pane
    Watch watch_;
    sound::SoundPlayer* tones_ = nullptr;
};

}  // namespace kx::cli
