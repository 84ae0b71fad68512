#include "app/window_output.h"

#include <QApplication>
#include <QCursor>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>
#include <limits>
#include <string>

#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "sound/completion_tones.h"

namespace kx::app {

WindowOutput::WindowOutput(UiLanguage language, Clock& clock, QPlainTextEdit& pane,
                           QProgressBar& progress, UserDialogs& dialogs, QWidget& window,
                           sound::SoundPlayer* sound)
    : TextOutput(language, clock), pane_(pane), progress_(progress), sound_(sound) {
    SetConfirmHandler([&dialogs, &window](Message msg, std::string_view text) {
        // Only the fuse question carries the exclamation icon. A burnt fuse and a half
        // written programmer cannot be undone, so a stray Enter must not say OK to them.
        const QuestionLook look{
            .exclamation = msg == Message::ConfirmFuse,
            .cancelIsDefault = msg == Message::ConfirmFuse || msg == Message::ConfirmUpdate};
        return dialogs.AskOkCancel(&window, ViewText(text), look);
    });
}

WindowOutput::~WindowOutput() {
    if (cursorOverridden_) QApplication::restoreOverrideCursor();
}

void WindowOutput::ShowPending() {
    // Replacing the buffer by itself refreshes the pane without scrolling.
    const std::string whole = Text();
    ShowText(whole);
}

void WindowOutput::OnRefresh(std::string_view wholeText, bool scrollToEnd) {
    pane_.setPlainText(ViewText(wholeText));
    if (scrollToEnd) {
        QScrollBar* bar = pane_.verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    Pump();
}

void WindowOutput::OnBeep() {
    // The player returns at once; the window goes on painting while the tones sound.
    if (sound_ != nullptr) sound::PlayCompletionTones(*sound_);
}

void WindowOutput::OnBusy(bool on) {
    if (on && !cursorOverridden_) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        cursorOverridden_ = true;
    } else if (!on && cursorOverridden_) {
        QApplication::restoreOverrideCursor();
        cursorOverridden_ = false;
    }
}

void WindowOutput::OnProgress(std::uint32_t upper, std::uint32_t pos) {
    if (upper == 0) {
        // Nothing to do is all done; Qt would show an empty range as an endless busy bar.
        progress_.setRange(0, 1);
        progress_.setValue(1);
        Pump();
        return;
    }
    // The bar counts in int; a range past that is scaled down to fit.
    constexpr std::uint32_t kIntMax = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    std::uint32_t divisor = 1;
    while (upper / divisor > kIntMax) divisor *= 2;
    progress_.setRange(0, static_cast<int>(upper / divisor));
    progress_.setValue(static_cast<int>(std::min(pos, upper) / divisor));
    Pump();
}

void WindowOutput::Pump() {
    if (pumping_) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kx::app
