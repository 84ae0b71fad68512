#pragma once
// Shared by the window tests: dialogs answered by a script, and a window on the in-process
// simulator with its settings file in a temporary folder.

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/main_dialog.h"
#include "app/user_dialogs.h"
#include "common/clock.h"
#include "sim/simulated_ports.h"

namespace kx::app::testing {

class ScriptedDialogs final : public UserDialogs {
  public:
    std::deque<std::optional<QString>> fileAnswers;  // open and save alike; empty: cancel
    std::deque<bool> confirmAnswers;                 // empty: Cancel
    std::function<void()> onQuestion;                // runs while a question is open
    QStringList questions, told, opened;
    std::vector<bool> questionIcons;
    std::vector<FileChoice> choices;

    std::optional<QString> ChooseOpenFile(QWidget*, const FileChoice& c) override {
        return Next(c);
    }
    std::optional<QString> ChooseSaveFile(QWidget*, const FileChoice& c) override {
        return Next(c);
    }
    bool AskOkCancel(QWidget* parent, const QString& text, bool exclamation) override;
    void Tell(QWidget*, const QString& text, bool) override { told << text; }
    void OpenDocument(const QString& path) override { opened << path; }

  private:
    std::optional<QString> Next(const FileChoice& choice);
};

class WindowBench {
  public:
    explicit WindowBench(UiLanguage lang = UiLanguage::English) : language(lang) {}

    // Builds and shows the window and waits for its programmer search.
    bool Open(int pollMs = 0);
    void Close();
    MainDialog& Window() { return *window_; }
    template <class T>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    void Click(const char* buttonName);
    QString Pane() const;
    QString SettingsPath() const { return dir.filePath(QStringLiteral("KX_VELDRAN.ini")); }
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

// With KX_SCREENSHOT_DIR set, saves a picture of `window` there (for the README).
void SaveScreenshot(QWidget& window, const char* fileName);
// Message n as the pane shows it.
QString Msg(int n, UiLanguage language = UiLanguage::English);

}  // namespace kx::app::testing
