#pragma once
// The output pane of one box of a gang: its report goes to the gang's board line by line,
// and it keeps what the box's table row and log row need (the last catalogue message and the
// line the unit ended with). Never asks: a gang's questions are asked once, before a panel.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/gang_board.h"
#include "cli/terminal_output.h"

namespace kx::cli {

class BoxOutput final : public TextOutput, public ReportLines {
  public:
    BoxOutput(GangBoard& board, std::size_t box, UiLanguage language, Clock& clock);

    void Note(std::string_view text) override;
    void Warn(std::string_view text) override;
    void ShowMessage(Message message) override;
    void AppendMessage(Message message) override;
    void AppendElapsedTime(std::uint32_t startTick) override;
    bool ConfirmMessage(Message) override { return false; }
    // Sends a last line that has no line end yet.
    void Finish();

    std::optional<Message> LastMessage() const { return lastMessage_; }
    // The last line of what came last, the pane or a warning: why a unit failed.
    std::string LastReportLine() const { return lastLine_; }

  protected:
    void OnRefresh(std::string_view wholeText, bool scrollToEnd) override;
    void OnProgress(std::uint32_t upper, std::uint32_t pos) override;

  private:
    void Say(std::string_view text);

    GangBoard& board_;
    std::size_t box_;
    PaneEcho echo_;
    std::string partial_;  // the pane's last line until its line end comes
    std::string lastLine_;
    std::optional<Message> lastMessage_;
};

}  // namespace kx::cli
