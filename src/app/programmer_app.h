#pragma once
// Start-up of the program: the interface language, the dialog colours, the main window.

#include "messages/message_catalogue.h"

class QApplication;
class QTranslator;

namespace kx::app {

// Chinese windows need nothing: the layouts are written in Chinese. Any other language
// loads the English captions built into the program into `translator` and installs it.
// Returns true when the English captions are in use.
bool InstallCaptions(QApplication& app, UiLanguage language, QTranslator& translator);

// Qt's own texts (file choosers, standard buttons, "already exists, replace it?") in the
// window's language: the Chinese window loads Qt's qtbase_zh_CN from Qt's translations
// folder into `translator` (Debian: qt6-translations-l10n); English needs nothing. Returns
// true when a translation was installed.
bool InstallQtTranslations(QApplication& app, UiLanguage language, QTranslator& translator);

// Light green background and black text for every dialog and message box.
void ApplyDialogColours(QApplication& app);

// The whole program: chooses the language from the system, opens the main window on the
// machine's serial ports and returns when it has been closed.
int RunProgrammerApp(int argc, char** argv);

}  // namespace kx::app
