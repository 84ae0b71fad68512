#include "manual/manual_pictures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <deque>
#include <functional>

#include "app/main_dialog.h"
#include "app/password_dialog.h"
#include "app/programmer_app.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "common/clock.h"
#include "sim/simulated_ports.h"

namespace kx::manual {
namespace {

constexpr const char* kMainWindow = "main_window.png";
constexpr const char* kNoProgrammer = "no_programmer.png";
constexpr const char* kPasswordDialog = "password_dialog.png";

// A small F1101 program (the manual's example) with its reset vector.
constexpr const char* kExampleName = "Blink_F1101.TXT";
constexpr const char* kExampleCode =
    "@FC00\r\n31 40 80 02 B2 40 80 5A 20 01 D2 D3 22 00 D2 E3\r\n"
    "21 00 3F 40 50 C3 1F 83 FE 23 F9 3F\r\n@FFFE\r\n00 FC\r\nq\r\n";
// A production line's choices: product information with counting serial numbers.
constexpr const char* kLineSettings =
    "[BOOL]\nproduct_id=1\nid_increase=1\n[STRING]\nproduct_name=KX_DEMO\n"
    "[number]\nproduct_num=1001\ndevice=0\n";

// Answers the file chooser with the example; anything the window tells spoils the picture.
class ScriptedAnswers final : public app::UserDialogs {
  public:
    std::deque<QString> files;
    QStringList told;

    std::optional<QString> ChooseOpenFile(QWidget*, const app::FileChoice&) override {
        if (files.empty()) return std::nullopt;
        QString next = files.front();
        files.pop_front();
        return next;
    }
    std::optional<QString> ChooseSaveFile(QWidget*, const app::FileChoice&) override {
        return std::nullopt;
    }
    bool AskOkCancel(QWidget*, const QString& text, app::QuestionLook) override {
        told << text;
        return false;
    }
    void Tell(QWidget*, const QString& text, bool) override { told << text; }
    bool OpenDocument(const QString&) override { return false; }
};

bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.hasExpired(10000)) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool WriteText(const QString& path, const char* text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == qint64(qstrlen(text));
}

bool Grab(QWidget& widget, const QString& folder, const char* name, QString* error) {
    QCoreApplication::processEvents();
    const QString path = QDir(folder).filePath(QString::fromLatin1(name));
    if (widget.grab().save(path)) return true;
    *error = QStringLiteral("cannot save ") + path;
    return false;
}

QString Pane(const app::MainDialog& window) {
    return window.findChild<QPlainTextEdit*>(QStringLiteral("outputPane"))->toPlainText();
}

void Click(const app::MainDialog& window, const char* button) {
    window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

app::WindowServices Services(link::PortProvider& ports, Clock& clock, app::UserDialogs& dialogs,
                             const QString& settings, UiLanguage language) {
    return {.ports = ports,
            .clock = clock,
            .dialogs = dialogs,
            .settingsPath = settings.toStdString(),
            .language = language,
            .connectionPollMs = 0};
}

}  // namespace

QStringList PictureNames() {
    return {QString::fromLatin1(kMainWindow), QString::fromLatin1(kNoProgrammer),
            QString::fromLatin1(kPasswordDialog)};
}

bool TakePictures(QApplication& app, UiLanguage language, const QString& folder, QString* error) {
    QTranslator captions;
    QTranslator qtTexts;
    app::InstallCaptions(app, language, captions);
    app::InstallQtTranslations(app, language, qtTexts);
    QTemporaryDir work;
    ManualClock clock(1000);
    ScriptedAnswers dialogs;

    {  // Something on the port, but no programmer answers.
        sim::SimulatedPorts ports(clock);
        ports.AddSilentPort(0);
        app::MainDialog window(
            Services(ports, clock, dialogs, work.filePath(QStringLiteral("none.ini")), language));
        window.show();
        if (!WaitFor([&window] { return window.Searched(); })) {
            *error = QStringLiteral("the window without a programmer never finished its search");
            return false;
        }
        if (!Grab(window, folder, kNoProgrammer, error)) return false;
    }

    // A programmer with an F1101 on its cable: the example loaded and programmed.
    sim::SimulatedPorts ports(clock);
    ports.AddBox(0);
    const QString settings = work.filePath(QStringLiteral("line.ini"));
    const QString example = work.filePath(QString::fromLatin1(kExampleName));
    if (!WriteText(settings, kLineSettings) || !WriteText(example, kExampleCode)) {
        *error = QStringLiteral("cannot write into ") + work.path();
        return false;
    }
    app::MainDialog window(Services(ports, clock, dialogs, settings, language));
    window.show();
    if (!WaitFor([&window] { return window.Searched(); })) {
        *error = QStringLiteral("the window never found the simulated programmer");
        return false;
    }
    dialogs.files = {example};
    Click(window, "loadButton");
    Click(window, "runButton");
    // A picture of a failed run must not reach the manual.
    const QString done = app::FromUtf8(MessageText(Message::ProgramDone, language));
    if (!Pane(window).contains(done.trimmed()) || !dialogs.told.isEmpty()) {
        *error = QStringLiteral("the example run did not succeed: ") + Pane(window) +
                 dialogs.told.join(QLatin1Char('\n'));
        return false;
    }
    if (!Grab(window, folder, kMainWindow, error)) return false;

    app::PasswordDialog password(window.Words(), dialogs, &window);
    password.show();
    return Grab(password, folder, kPasswordDialog, error);
}

}  // namespace kx::manual
