#include "messages/text_output.h"

#include <string>

namespace kx {
TextOutput::TextOutput(UiLanguage language, Clock& clock) : language_(language), clock_(clock) {}

void TextOutput::Refresh(bool scrollToEnd) {
    shown_ = text_;
    ++refreshCount_;
    OnRefresh(shown_, scrollToEnd);
}

void TextOutput::ClearOutput() {
    text_.clear();
    Refresh(false);
}

void TextOutput::ShowMessage(Message message) {
    ShowText(MessageText(message, language_));
}

void TextOutput::ShowText(std::string_view text) {
    text_.assign(text);
    Refresh(false);
}

void TextOutput::AppendMessage(Message message) {
    text_ += MessageText(message, language_);
    Refresh(true);
}

void TextOutput::AppendText(std::string_view text) {
    text_ += text;
}

void TextOutput::AppendShownText(std::string_view text) {
    text_ += text;
    Refresh(true);
}

void TextOutput::AppendElapsedTime(std::uint32_t startTick) {
    // Unsigned subtraction keeps the duration right across a wrap of the tick counter.
    const std::uint32_t elapsedMs = clock_.NowMs() - startTick;
    const std::uint32_t seconds = elapsedMs / 1000;
    text_ += MessageText(Message::ElapsedTime, language_);
    if (seconds >= 60) {
        text_ += std::to_string(seconds / 60);
        text_ += " Min ";
    }
    text_ += std::to_string(seconds % 60);
    text_ += " Sec\r\n";
    Refresh(true);
}

void TextOutput::CompletionBeep() {
    if (!beepOn_) {
        return;
    }
    ++beepCount_;
    OnBeep();
}

bool TextOutput::ConfirmMessage(Message message) {
    if (!confirm_) {
        return false;
    }
    return confirm_(message, MessageText(message, language_));
}

void TextOutput::BusyCursor(bool on) {
    busy_ = on;
    OnBusy(on);
}

void TextOutput::SetProgressRange(std::uint32_t upper) {
    progressUpper_ = upper;
    OnProgress(progressUpper_, progressPos_);
}

void TextOutput::SetProgressPos(std::uint32_t pos) {
    progressPos_ = pos;
    OnProgress(progressUpper_, progressPos_);
}

}  // namespace kx
