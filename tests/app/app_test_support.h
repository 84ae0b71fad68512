#pragma once
// Shared by the window tests: dialogs answered by a script, and a window on the in-process
// simulator with its settings file in a temporary folder.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>

#include "app/device_watcher.h"
#include "app/main_dialog.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "common/clock.h"
#include "settings/settings_file.h"
#include "sim/simulated_ports.h"
#include "sound/sound_player.h"

namespace kx::app::testing {

class ScriptedDialogs final : public UserDialogs {
  public:
    std::deque<QString> fileAnswers;   // open and save alike; none left: cancel
    std::deque<bool> confirmAnswers;   // none left: Cancel
    std::function<void()> onQuestion;  // runs while a question is open
    QStringList questions, told, opened;
    std::vector<QuestionLook> looks;
    std::vector<FileChoice> choices;

    std::optional<QString> ChooseOpenFile(QWidget*, const FileChoice& c) override {
        return Next(c);
    }
    std::optional<QString> ChooseSaveFile(QWidget*, const FileChoice& c) override {
        return Next(c);
    }
    bool AskOkCancel(QWidget*, const QString& text, QuestionLook look) override {
        questions << text;
        looks.push_back(look);
        if (onQuestion) onQuestion();
        const bool ok = !confirmAnswers.empty() && confirmAnswers.front();
        if (!confirmAnswers.empty()) confirmAnswers.pop_front();
        return ok;
    }
    void Tell(QWidget*, const QString& text, bool) override { told << text; }
    bool openWorks = true;  // whether the desktop has a program for the document
    bool OpenDocument(const QString& path) override {
        opened << path;
        return openWorks;
    }

  private:
    std::optional<QString> Next(const FileChoice& choice) {
        choices.push_back(choice);
        if (fileAnswers.empty()) return std::nullopt;
        const QString path = fileAnswers.front();
        fileAnswers.pop_front();
        return path;
    }
};

// Device arrivals and departures sent by the test, as udev would report them.
class FakeDeviceWatcher final : public DeviceWatcher {
  public:
    bool Live() const override { return true; }
};

// Keeps what the window asked to play.
struct RecordingPlayer final : sound::SoundPlayer {
    std::vector<std::vector<std::int16_t>> played;
    void Play(std::vector<std::int16_t> samples, unsigned) override {
        played.push_back(std::move(samples));
    }
};

class WindowBench {
  public:
    explicit WindowBench(UiLanguage lang = UiLanguage::English) : language(lang) {}

    // Builds and shows the window and waits for its programmer search.
    bool Open(int pollMs = 0) {
        window_ = std::make_unique<MainDialog>(WindowServices{.ports = ports,
                                                              .clock = clock,
                                                              .dialogs = dialogs,
                                                              .settingsPath = ToUtf8(settingsPath),
                                                              .language = language,
                                                              .devices = devices,
                                                              .connectionPollMs = pollMs,
                                                              .deviceSettleMs = 50,
                                                              .sound = &sound});
        window_->show();
        return QTest::qWaitFor([this] { return window_->Searched(); }, 5000);
    }
    void Close() {
        if (window_) window_->close();
        window_.reset();
    }
    MainDialog& Window() { return *window_; }
    template <class T = QWidget>
    T* Find(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    bool Enabled(const char* name) const { return Find(name)->isEnabled(); }
    bool On(const char* name) const { return Find<QAbstractButton>(name)->isChecked(); }
    // A line edit's or a button's text.
    QString Text(const char* name) const { return Find(name)->property("text").toString(); }
    QString Pane() const { return Find<QPlainTextEdit>("outputPane")->toPlainText(); }
    void SelectDevice(int row) { Find<QComboBox>("deviceList")->setCurrentIndex(row); }
    void Click(const char* buttonName) {
        auto* button = Find<QAbstractButton>(buttonName);
        QVERIFY2(button != nullptr, buttonName);
        // Check boxes and radios take clicks on their indicator, not on a stretched widget's rest.
        const bool push = qobject_cast<QPushButton*>(button) != nullptr;
        QTest::mouseClick(button, Qt::LeftButton, {},
                          push ? button->rect().center() : QPoint(6, button->height() / 2));
    }
    void Retype(const char* fieldName, const char* text) {
        Find<QLineEdit>(fieldName)->clear();
        QTest::keyClicks(Find<QLineEdit>(fieldName), text);
    }
    QString WriteFile(const QString& name, const std::string& bytes) const {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return file.fileName();
    }
    std::string ReadFile(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    settings::Settings Stored() const {
        return settings::LoadSettingsFile(ToUtf8(settingsPath), language).settings;
    }

    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("KX_VELDRAN.ini"));
    ManualClock clock{1000};
    sim::SimulatedPorts ports{clock};
    ScriptedDialogs dialogs;
    RecordingPlayer sound;
    UiLanguage language;
    DeviceWatcher* devices = nullptr;

  private:
    std::unique_ptr<MainDialog> window_;
};

// With KX_SCREENSHOT_DIR set, saves a picture of `window` there (for the README).
inline void SaveScreenshot(QWidget& window, const char* fileName) {
    const QString dir = qEnvironmentVariable("KX_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(window.grab().save(QDir(dir).filePath(QString::fromUtf8(fileName))));
}

// Message n as the pane shows it.
inline QString Msg(int n, UiLanguage language = UiLanguage::English) {
    return ViewText(MessageText(static_cast<Message>(n), language));
}

}  // namespace kx::app::testing
