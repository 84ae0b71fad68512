#pragma once
// Where Help finds the user manual: one PDF per language, beside the program (the build tree
// and a portable copy) or in the installed documentation folder.

#include <QString>
#include <QStringList>

#include "messages/message_catalogue.h"

namespace kx::app {

// "KX_VELDRAN_en.pdf" or "KX_VELDRAN_zh_CN.pdf".
QString ManualFileName(UiLanguage language);

// The folders looked in, in order: `programFolder` itself, then the installed documentation
// folder relative to it (decided once, in cmake/Manual.cmake).
QStringList ManualFolders(const QString& programFolder);

// The manual in `language`; the other language's when only that one is there (better than
// nothing); empty when neither is found.
QString FindManual(const QString& programFolder, UiLanguage language);

}  // namespace kx::app
