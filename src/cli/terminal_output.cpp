#include "cli/terminal_output.h"

#include <chrono>
#include <thread>

#include "messages/text_catalogue.h"
#include "sound/completion_tones.h"

namespace kx::cli {

std::string ToTerminalLineEnds(std::string_view paneText) {
    std::string out;
    out.reserve(paneText.size());
    for (std::size_t i = 0; i < paneText.size(); ++i) {
        const char c = paneText[i];
        if (c == '\r') {
            out += '\n';
            if (i + 1 < paneText.size() && paneText[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string PaneEcho::Convert(std::string_view paneText) {
    std::string out;
    if (pendingCr_) {
        out += '\n';
        if (!paneText.empty() && paneText.front() == '\n') paneText.remove_prefix(1);
        pendingCr_ = false;
    }
    // Hold back a final CR: its LF may arrive with the next refresh.
    if (!paneText.empty() && paneText.back() == '\r') {
        pendingCr_ = true;
        paneText.remove_suffix(1);
    }
    out += ToTerminalLineEnds(paneText);
    return out;
}

std::string PaneEcho::Update(std::string_view whole, bool appended) {
    std::string out;
    if (appended && whole.starts_with(shown_)) {
        out = Convert(whole.substr(shown_.size()));
    } else {
        // A replaced pane starts on a line of its own.
        if (pendingCr_) {
            out += '\n';
            pendingCr_ = false;
        } else if (!atLineStart_) {
            out += '\n';
        }
        out += Convert(whole);
    }
    shown_.assign(whole);
    NoteWritten(out);
    return out;
}

void PaneEcho::NoteWritten(std::string_view terminalText) {
    if (!terminalText.empty()) atLineStart_ = terminalText.back() == '\n';
}

std::string PaneEcho::Finish() {
    std::string out;
    if (pendingCr_ || !atLineStart_) out = "\n";
    pendingCr_ = false;
    atLineStart_ = true;
    return out;
}

std::string ProgressLine(std::uint32_t upper, std::uint32_t pos) {
    constexpr int kWidth = 30;
    const std::uint64_t top = upper == 0 ? 1 : upper;
    const std::uint64_t at = pos > top ? top : pos;
    const auto percent = static_cast<int>(at * 100 / top);
    const auto filled = static_cast<int>(at * kWidth / top);
    std::string line = std::to_string(percent) + "%";
    while (line.size() < 4) line.insert(line.begin(), ' ');
    line += " [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kWidth - filled), '.');
    line += "] ";
    line += std::to_string(at) + "/" + std::to_string(upper);
    return line;
}

std::string EscapeForTerminal(std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

namespace {

// The last non-empty line of a text with CR LF, CR or LF line ends.
std::string LastLineOf(std::string_view text) {
    const std::string lines = ToTerminalLineEnds(text);
    std::size_t end = lines.size();
    while (end > 0 && lines[end - 1] == '\n') --end;
    if (end == 0) return {};
    const std::size_t lineBreak = lines.rfind('\n', end - 1);
    const std::size_t from = lineBreak == std::string::npos ? 0 : lineBreak + 1;
    return lines.substr(from, end - from);
}

}  // namespace

bool IsYes(std::string_view answer) {
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r' ||
                               answer.back() == ' ' || answer.back() == '\t')) {
        answer.remove_suffix(1);
    }
    while (!answer.empty() && (answer.front() == ' ' || answer.front() == '\t')) {
        answer.remove_prefix(1);
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ||
           answer == "YES" || answer == "\xE6\x98\xAF";  // 是
}

TerminalOutput::TerminalOutput(UiLanguage language, Clock& clock, Streams streams, bool assumeYes)
    : TextOutput(language, clock), streams_(streams), assumeYes_(assumeYes) {
    SetConfirmHandler([this](Message, std::string_view text) { return Ask(text); });
}

void TerminalOutput::ClearProgress() {
    if (progressShown_.empty()) return;
    std::fputs("\r\033[K", streams_.status);
    std::fflush(streams_.status);
    progressShown_.clear();
}

void TerminalOutput::OnRefresh(std::string_view wholeText, bool scrollToEnd) {
    const std::string text = echo_.Update(wholeText, scrollToEnd);
    if (text.empty()) return;
    warnedLast_ = false;
    ClearProgress();
    std::fwrite(text.data(), 1, text.size(), streams_.pane);
    std::fflush(streams_.pane);
}

void TerminalOutput::Note(std::string_view text) {
    ClearProgress();
    std::string out = echo_.Finish();
    out += ToTerminalLineEnds(text);
    if (out.empty() || out.back() != '\n') out += '\n';
    std::fwrite(out.data(), 1, out.size(), streams_.pane);
    std::fflush(streams_.pane);
    echo_.NoteWritten(out);
}

void TerminalOutput::Warn(std::string_view text) {
    lastWarning_.assign(text);
    warnedLast_ = true;
    ClearProgress();
    if (streams_.status == streams_.pane) {
        Note(text);
        return;
    }
    std::string out = ToTerminalLineEnds(text);
    if (out.empty() || out.back() != '\n') out += '\n';
    std::fwrite(out.data(), 1, out.size(), streams_.status);
    std::fflush(streams_.status);
}

void TerminalOutput::Finish() {
    ClearProgress();
    const std::string rest = echo_.Finish();
    if (!rest.empty()) std::fwrite(rest.data(), 1, rest.size(), streams_.pane);
    std::fflush(streams_.pane);
}

std::string TerminalOutput::LastPaneLine() const {
    return LastLineOf(Text());
}

std::string TerminalOutput::LastReportLine() const {
    return warnedLast_ ? LastLineOf(lastWarning_) : LastPaneLine();
}

void TerminalOutput::OnBeep() {
    if (!streams_.canBeep) {
        if (tones_ != nullptr) sound::PlayCompletionTones(*tones_);
        return;
    }
    // Three short bells, as the window's three 3000 Hz beeps; a terminal cannot set a pitch.
    for (int i = 0; i < 3; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::fputc('\a', streams_.status);
        std::fflush(streams_.status);
    }
}

void TerminalOutput::OnBusy(bool on) {
    if (watch_.busy) watch_.busy(on);
}

void TerminalOutput::OnProgress(std::uint32_t upper, std::uint32_t pos) {
    if (watch_.progress) watch_.progress(upper, pos);
    if (!streams_.progress) return;
    std::string line = ProgressLine(upper, pos);
    if (line == progressShown_) return;
    std::fprintf(streams_.status, "\r%s\033[K", line.c_str());
    std::fflush(streams_.status);
    progressShown_ = std::move(line);
}

bool TerminalOutput::Ask(std::string_view question) {
    ClearProgress();
    std::string text = ToTerminalLineEnds(question);
    if (assumeYes_) {
        std::fprintf(streams_.status, "%s [y/N] y (--yes)\n", text.c_str());
        std::fflush(streams_.status);
        return true;
    }
    if (!streams_.canAsk) {
        // Text() is the pane's text here, so the table's type needs its namespace.
        std::fprintf(streams_.status, "%s\n%s\n", text.c_str(),
                     SayText(Language(), kx::Text::NoTerminalToAnswer).c_str());
        std::fflush(streams_.status);
        return false;
    }
    std::fprintf(streams_.status, "%s [y/N] ", text.c_str());
    std::fflush(streams_.status);
    char answer[64];
    if (std::fgets(answer, sizeof answer, streams_.answers) == nullptr) {
        std::fputc('\n', streams_.status);
        return false;
    }
    return IsYes(answer);
}

}  // namespace kx::cli
