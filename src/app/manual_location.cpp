#include "app/manual_location.h"

#include <QDir>
#include <QFileInfo>

#ifndef KX_MANUAL_FROM_PROGRAM
#error "KX_MANUAL_FROM_PROGRAM (the manual's folder relative to the program's) comes from CMake"
#endif

namespace kx::app {

QString ManualFileName(UiLanguage language) {
    return language == UiLanguage::Chinese ? QStringLiteral("KX_VELDRAN_zh_CN.pdf")
                                           : QStringLiteral("KX_VELDRAN_en.pdf");
}

QStringList ManualFolders(const QString& programFolder) {
    const QDir program(programFolder);
    return {program.absolutePath(),
            QDir::cleanPath(program.absoluteFilePath(QStringLiteral(KX_MANUAL_FROM_PROGRAM)))};
}

QString FindManual(const QString& programFolder, UiLanguage language) {
    const UiLanguage other =
        language == UiLanguage::Chinese ? UiLanguage::English : UiLanguage::Chinese;
    for (const UiLanguage wanted : {language, other}) {
        for (const QString& folder : ManualFolders(programFolder)) {
            const QFileInfo file(QDir(folder).filePath(ManualFileName(wanted)));
            if (file.isFile() && file.isReadable()) return file.absoluteFilePath();
        }
    }
    return {};
}

}  // namespace kx::app
