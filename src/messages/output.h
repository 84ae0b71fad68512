#pragma once
// The reporting interface every operation writes through. The window, the command line
// and the tests each supply their own; operations never touch widgets or stdout.

#include <cstdint>
#include <string_view>

#include "messages/message_catalogue.h"

namespace kx {

class Output {
public:
    virtual ~Output() = default;

    virtual UiLanguage Language() const = 0;

    // Empties the pane.
    virtual void ClearOutput() = 0;
    // Replaces the pane with a message / with a formatted text (no scrolling).
    virtual void ShowMessage(Message message) = 0;
    virtual void ShowText(std::string_view text) = 0;
    // Appends a message, shows the pane and scrolls to its end.
    virtual void AppendMessage(Message message) = 0;
    // Appends a formatted text without showing it; the next AppendMessage (or elapsed-time
    // line) shows it.
    virtual void AppendText(std::string_view text) = 0;
    // Appends a formatted text and shows it like AppendMessage: for a report line outside
    // the catalogue that ends an operation, when no later message would show it.
    virtual void AppendShownText(std::string_view text) { AppendText(text); }
    // Appends the elapsed-time message and the time since `startTick` ("%d Min " only from 60 s,
    // then "%d Sec\r\n"), then shows and scrolls like AppendMessage.
    virtual void AppendElapsedTime(std::uint32_t startTick) = 0;
    // Three 3000 Hz beeps when the beep option is on.
    virtual void CompletionBeep() = 0;
    // Asks a Confirm... message with OK/Cancel; true for OK.
    virtual bool ConfirmMessage(Message message) = 0;
    virtual void BusyCursor(bool on) = 0;
    virtual void SetProgressRange(std::uint32_t upper) = 0;
    virtual void SetProgressPos(std::uint32_t pos) = 0;
};

// Keeps the cursor busy for one scope, whatever way the scope is left.
class BusyScope {
public:
    explicit BusyScope(Output& out) : out_(out) { out_.BusyCursor(true); }
    ~BusyScope() { out_.BusyCursor(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Output& out_;
};

}  // namespace kx
