#include "app_test_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/qt_text.h"

namespace kx::app::testing {

std::optional<QString> ScriptedDialogs::Next(const FileChoice& choice) {
    choices.push_back(choice);
    if (fileAnswers.empty()) return std::nullopt;
    // Taken apart rather than copied: GCC 12 -O2 warns about copying an optional QString.
    const bool chosen = fileAnswers.front().has_value();
    const QString path = chosen ? *fileAnswers.front() : QString();
    fileAnswers.pop_front();
    if (!chosen) return std::nullopt;
    return path;
}

bool ScriptedDialogs::AskOkCancel(QWidget*, const QString& text, bool exclamation) {
    questions << text;
    questionIcons.push_back(exclamation);
    if (onQuestion) onQuestion();
    if (confirmAnswers.empty()) return false;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

bool WindowBench::Open(int pollMs) {
    window_ = std::make_unique<MainDialog>(WindowServices{.ports = ports,
                                                          .clock = clock,
                                                          .dialogs = dialogs,
                                                          .settingsPath = ToUtf8(SettingsPath()),
                                                          .language = language,
                                                          .connectionPollMs = pollMs});
    window_->show();
    return QTest::qWaitFor([this] { return window_->Searched(); }, 5000);
}

void WindowBench::Close() {
    if (window_) window_->close();
    window_.reset();
}

void WindowBench::Click(const char* buttonName) {
    auto* button = Find<QAbstractButton>(buttonName);
    QVERIFY2(button != nullptr, buttonName);
    // Check boxes and radios take clicks on their indicator, not on a stretched widget's rest.
    const bool push = qobject_cast<QPushButton*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      push ? button->rect().center() : QPoint(6, button->height() / 2));
}

QString WindowBench::Pane() const {
    return Find<QPlainTextEdit>("outputPane")->toPlainText();
}

QString WindowBench::WriteFile(const QString& name, const std::string& bytes) const {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
}

std::string WindowBench::ReadFile(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void SaveScreenshot(QWidget& window, const char* fileName) {
    const QString dir = qEnvironmentVariable("KX_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(window.grab().save(QDir(dir).filePath(QString::fromUtf8(fileName))));
}

QString Msg(int n, UiLanguage language) {
    return ViewText(MessageText(n, language));
}

}  // namespace kx::app::testing
