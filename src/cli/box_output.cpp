#include "cli/box_output.h"

namespace kx::cli {

BoxOutput::BoxOutput(GangBoard& board, std::size_t box, UiLanguage language, Clock& clock)
    : TextOutput(language, clock), board_(board), box_(box) {}

void BoxOutput::Say(std::string_view text) {
    partial_ += text;
    std::size_t end;
    while ((end = partial_.find('\n')) != std::string::npos) {
        const std::string line = partial_.substr(0, end);
        partial_.erase(0, end + 1);
        if (line.empty()) continue;
        lastLine_ = line;
        board_.Line(box_, line);
    }
}

void BoxOutput::OnRefresh(std::string_view wholeText, bool scrollToEnd) {
    Say(echo_.Update(wholeText, scrollToEnd));
}

void BoxOutput::Finish() {
    Say(echo_.Finish());
    if (!partial_.empty()) Say("\n");
}

void BoxOutput::Note(std::string_view text) {
    Finish();
    Say(std::string(text) + "\n");
}

void BoxOutput::Warn(std::string_view text) {
    std::string_view line = text.substr(0, text.find_last_not_of('\n') + 1);
    line = line.substr(line.find_last_of('\n') + 1);
    constexpr std::string_view kOwnPrefix = "kxveldran-cli: ";
    if (line.starts_with(kOwnPrefix)) line.remove_prefix(kOwnPrefix.size());
    if (!line.empty()) lastLine_ = line;
    board_.Warn(box_, text);
}

void BoxOutput::ShowMessage(Message message) {
    lastMessage_ = message;
    TextOutput::ShowMessage(message);
}

void BoxOutput::AppendMessage(Message message) {
    lastMessage_ = message;
    TextOutput::AppendMessage(message);
}

void BoxOutput::AppendElapsedTime(std::uint32_t startTick) {
    lastMessage_ = Message::ElapsedTime;
    TextOutput::AppendElapsedTime(startTick);
}

void BoxOutput::OnProgress(std::uint32_t upper, std::uint32_t pos) {
    board_.Progress(box_, upper, pos);
}

}  // namespace kx::cli
