#pragma once
// What the window tests share: dialogs answered by a script, and a window on the in-process
// simulator with its settings file in a temporary folder.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "app/main_dialog.h"
#include "app/user_dialogs.h"
#include "common/clock.h"
#include "sim/simulated_ports.h"

class QAbstractButton;
class QWidget;

namespace kx::app::testing {

class ScriptedDialogs final : public UserDialogs {
public:
    std::deque<std::optional<QString>> openAnswers;  // empty queue: cancel
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<bool> confirmAnswers;                 // empty queue: Cancel
    QStringList questions;                           // texts of OK/Cancel boxes
    std::vector<bool> questionIcons;                 // exclamation per question
    QStringList told;                                // texts of message boxes
    std::vector<FileChoice> choices;                 // every chooser, in order
    QStringList opened;                              // documents handed to the desktop

    std::optional<QString> ChooseOpenFile(QWidget* parent, const FileChoice& choice) override;
    std::optional<QString> ChooseSaveFile(QWidget* parent, const FileChoice& choice) override;
    bool AskOkCancel(QWidget* parent, const QString& text, bool exclamation) override;
    void Tell(QWidget* parent, const QString& text, bool warning) override;
    void OpenDocument(const QString& path) override;
};

// A window as the program opens it, on simulated ports and a virtual clock.
class WindowBench {
public:
    explicit WindowBench(UiLanguage language = UiLanguage::English);

    // Builds and shows the window and waits for its programmer search; false on time-out.
    bool Open(int pollMs = 0);
    // Closes the window the way the close box does and forgets it.
    void Close();
    MainDialog& Window() { return *window_; }

    template <class T>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    void Click(const char* buttonName);
    QString Pane() const;

    QString SettingsPath() const { return dir.filePath(QStringLiteral("KX_VELDRAN.ini")); }
    QString TempFile(const QString& name) const { return dir.filePath(name); }
    // Writes a file into the temporary folder and returns its path.
    QString WriteFile(const QString& name, const std::string& bytes) const;
    std::string ReadFile(const QString& path) const;

    QTemporaryDir dir;
    ManualClock clock{1000};
    sim::SimulatedPorts ports{clock};
    ScriptedDialogs dialogs;
    UiLanguage language;

private:
    std::unique_ptr<MainDialog> window_;
};

// With KX_SCREENSHOT_DIR set, saves a picture of `window` there as `fileName` (for the README).
void SaveScreenshot(QWidget& window, const char* fileName);

// The text of message n as the window shows it (CR LF as line breaks).
QString Msg(int n, UiLanguage language = UiLanguage::English);

}  // namespace kx::app::testing
