#pragma once
// An Output that passes everything on and remembers the last catalogue message said, so the
// run can tell its caller which message it ended with without anyone reading the pane back.

#include <optional>

#include "messages/output.h"

namespace kx::ops {

class LastMessageOutput final : public Output {
  public:
    explicit LastMessageOutput(Output& inner) : inner_(inner) {}

    std::optional<Message> Last() const { return last_; }

    UiLanguage Language() const override { return inner_.Language(); }
    void ClearOutput() override { inner_.ClearOutput(); }
    void ShowMessage(Message message) override {
        last_ = message;
        inner_.ShowMessage(message);
    }
    void ShowText(std::string_view text) override { inner_.ShowText(text); }
    void AppendMessage(Message message) override {
        last_ = message;
        inner_.AppendMessage(message);
    }
    void AppendText(std::string_view text) override { inner_.AppendText(text); }
    void AppendShownText(std::string_view text) override { inner_.AppendShownText(text); }
    void AppendElapsedTime(std::uint32_t startTick) override {
        inner_.AppendElapsedTime(startTick);
    }
    void CompletionBeep() override { inner_.CompletionBeep(); }
    bool ConfirmMessage(Message message) override { return inner_.ConfirmMessage(message); }
    void BusyCursor(bool on) override { inner_.BusyCursor(on); }
    void SetProgressRange(std::uint32_t upper) override { inner_.SetProgressRange(upper); }
    void SetProgressPos(std::uint32_t pos) override { inner_.SetProgressPos(pos); }

  private:
    Output& inner_;
    std::optional<Message> last_;
};

}  // namespace kx::ops
