#include "app/programmer_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QTranslator>
#include <cstdio>
#include <memory>
#include <string_view>

#include "app/device_watcher.h"
#include "app/main_dialog.h"
#include "app/qt_text.h"
#include "app/user_dialogs.h"
#include "common/clock.h"
#include "common/program_version.h"
#include "messages/ui_language.h"
#include "platform/serial_ports.h"
#include "platform/sound.h"
#include "settings/settings_file.h"

namespace kx::app {

bool InstallCaptions(QApplication& app, UiLanguage language, QTranslator& translator) {
    if (language == UiLanguage::Chinese) return false;
    // Built in as a resource, so it cannot go missing beside the program.
    if (!translator.load(QStringLiteral(":/i18n/kxveldran_en.qm"))) return false;
    return app.installTranslator(&translator);
}

bool InstallQtTranslations(QApplication& app, UiLanguage language, QTranslator& translator) {
    // Qt speaks English by itself; loading by the system locale would give a German file
    // chooser in an English window.
    if (language != UiLanguage::Chinese) return false;
    if (!translator.load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return app.installTranslator(&translator);
}

void ApplyDialogColours(QApplication& app) {
    QPalette palette = app.palette();
    const QColor lightGreen(200, 240, 200);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, lightGreen);
        palette.setColor(group, QPalette::WindowText, Qt::black);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, lightGreen);
    app.setPalette(palette);
}

int RunProgrammerApp(int argc, char** argv) {
    // Answered before Qt starts, so that it works without a display (scripts, packaging).
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::fputs(VersionText("kxveldran").c_str(), stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setApplicationVersion(FromUtf8(kProgramVersion));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kxveldran.png")));

    // One rule for windows and messages: only mainland Chinese gets Chinese.
    const UiLanguage language = SystemUiLanguage();
    QTranslator captions;
    InstallCaptions(app, language, captions);
    QTranslator qtTexts;
    InstallQtTranslations(app, language, qtTexts);
    ApplyDialogColours(app);

    const auto ports = platform::MakePortProvider();
    QtUserDialogs dialogs;
    const std::unique_ptr<DeviceWatcher> devices = MakeSystemDeviceWatcher();
    const auto sound = platform::MakeSystemSoundPlayer();
    MainDialog window({.ports = *ports,
                       .clock = SystemClock(),
                       .dialogs = dialogs,
                       .settingsPath = settings::SettingsPath(),
                       .language = language,
                       .devices = devices.get(),
                       .sound = sound.get()});
    window.exec();
    // The program ends with its window, whatever way the window ended.
    return 0;
}

}  // namespace kx::app
