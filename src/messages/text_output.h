#pragma once
// The output pane as plain text. Tests use it directly; the window and the command line
// derive from it and override the On... hooks to show what changed.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "common/clock.h"
#include "messages/output.h"

namespace kx {

class TextOutput : public Output {
public:
  // Answers a question (the message and its text); true means OK.
  using ConfirmHandler = std::function<bool(Message message, std::string_view text)>;

  explicit TextOutput(UiLanguage language = UiLanguage::English, Clock& clock = SystemClock());

  UiLanguage Language() const override { return language_; }

  void ClearOutput() override;
  void ShowMessage(Message message) override;
  void ShowText(std::string_view text) override;
  void AppendMessage(Message message) override;
  void AppendText(std::string_view text) override;
  void AppendShownText(std::string_view text) override;
  void AppendElapsedTime(std::uint32_t startTick) override;
  void CompletionBeep() override;
  bool ConfirmMessage(Message message) override;
  void BusyCursor(bool on) override;
  void SetProgressRange(std::uint32_t upper) override;
  void SetProgressPos(std::uint32_t pos) override;

  // Everything in the pane buffer, including text appended since the last refresh.
  const std::string& Text() const { return text_; }
  // What the pane showed at its last refresh.
  const std::string& ShownText() const { return shown_; }
  int RefreshCount() const { return refreshCount_; }

  void SetBeepOn(bool on) { beepOn_ = on; }
  bool BeepOn() const { return beepOn_; }
  int BeepCount() const { return beepCount_; }

  // Without a handler every question is answered Cancel.
  void SetConfirmHandler(ConfirmHandler handler) { confirm_ = std::move(handler); }

  bool Busy() const { return busy_; }
  std::uint32_t ProgressUpper() const { return progressUpper_; }
  std::uint32_t ProgressPos() const { return progressPos_; }

protected:
    // The pane shows `wholeText`; `scrollToEnd` after appends, not after replacements.
    virtual void OnRefresh(std::string_view /*wholeText*/, bool /*scrollToEnd*/) {}
    // One completion signal (the window sounds three short 3000 Hz beeps).
    virtual void OnBeep() {}
    virtual void OnBusy(bool /*on*/) {}
    virtual void OnProgress(std::uint32_t /*upper*/, std::uint32_t /*pos*/) {}

private:
    void Refresh(bool scrollToEnd);

    UiLanguage language_;
    Clock& clock_;
    std::string text_;
    std::string shown_;
    int refreshCount_ = 0;
    bool beepOn_ = false;
    int beepCount_ = 0;
    ConfirmHandler confirm_;
    bool busy_ = false;
    std::uint32_t progressUpper_ = 100;
    std::uint32_t progressPos_ = 0;
};

}  // namespace kx
