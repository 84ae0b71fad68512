// kxveldran-manual: the build's maker of the user manual. Offscreen, with no display.
//   kxveldran-manual pictures en|zh_CN FOLDER      the window's pictures in that language
//   kxveldran-manual render en|zh_CN SOURCE.md PICTURES OUTPUT.pdf

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

#include "manual/manual_document.h"
#include "manual/manual_pictures.h"

namespace {

int Fail(const QString& why) {
    std::fprintf(stderr, "kxveldran-manual: %s\n", qPrintable(why));
    return 1;
}

int Render(kx::UiLanguage language, const QString& source, const QString& pictures,
           const QString& output) {
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read ") + source);
    kx::manual::Manual manual =
        kx::manual::LoadManual(QString::fromUtf8(file.readAll()), pictures, language);
    if (!manual.missingPictures.isEmpty()) {
        return Fail(QStringLiteral("%1 names pictures not in %2: %3")
                        .arg(source, pictures, manual.missingPictures.join(QStringLiteral(", "))));
    }
    if (language == kx::UiLanguage::Chinese && !kx::manual::ChineseFontAvailable()) {
        std::fprintf(stderr,
                     "kxveldran-manual: warning: font \"%s\" is missing (Debian: "
                     "fonts-droid-fallback); the Chinese PDF's text will not search right\n",
                     qPrintable(kx::manual::ChineseFontFamily()));
    }
    QString error;
    return kx::manual::WriteManualPdf(manual, output, language, &error) ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv) {
    // A build machine has no display, and the pictures should be the same on every one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && qstrcmp(argv[1], "pictures") == 0) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(kx::manual::kPicturePixelsPerPoint));
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool known = args.size() >= 4 && (args[2] == "en" || args[2] == "zh_CN");
    const kx::UiLanguage language =
        known && args[2] == "zh_CN" ? kx::UiLanguage::Chinese : kx::UiLanguage::English;
    if (known && args[1] == "pictures" && args.size() == 4) {
        if (!QDir().mkpath(args[3])) return Fail(QStringLiteral("cannot create ") + args[3]);
        QString error;
        return kx::manual::TakePictures(app, language, args[3], &error) ? 0 : Fail(error);
    }
    if (known && args[1] == "render" && args.size() == 6) {
        return Render(language, args[3], args[4], args[5]);
    }
    return Fail(
        QStringLiteral("usage: kxveldran-manual pictures en|zh_CN FOLDER\n"
                       "       kxveldran-manual render en|zh_CN SOURCE.md PICTURES OUT.pdf"));
}
