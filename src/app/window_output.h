#pragma once
// The output pane, progress bar, busy cursor, beep and questions of the main window, as the
// Output every operation reports through.

#include <cstdint>
#include <string_view>

#include "messages/text_output.h"

class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace kx::sound {
class SoundPlayer;
}

namespace kx::app {

class UserDialogs;

class WindowOutput final : public TextOutput {
  public:
    // `pane` and `progress` belong to `window`, which also parents the question boxes.
    // `sound` plays the completion tones; without one the window stays silent.
    WindowOutput(UiLanguage language, Clock& clock, QPlainTextEdit& pane, QProgressBar& progress,
                 UserDialogs& dialogs, QWidget& window, sound::SoundPlayer* sound = nullptr);
    ~WindowOutput() override;
    WindowOutput(const WindowOutput&) = delete;
    WindowOutput& operator=(const WindowOutput&) = delete;

    // Shows what was appended since the last refresh, without scrolling (the end of a load).
    void ShowPending();

    // While an operation holds the thread, every refresh also lets the window paint.
    void SetPumping(bool on) { pumping_ = on; }

  protected:
    void OnRefresh(std::string_view wholeText, bool scrollToEnd) override;
    void OnBeep() override;
    void OnBusy(bool on) override;
    void OnProgress(std::uint32_t upper, std::uint32_t pos) override;

  private:
    void Pump();

    QPlainTextEdit& pane_;
    QProgressBar& progress_;
    sound::SoundPlayer* sound_;
    bool pumping_ = false;
    bool cursorOverridden_ = false;
};

}  // namespace kx::app
