// Start-up language: only mainland Chinese gets Chinese windows and messages.

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include "app/programmer_app.h"
#include "app_test_support.h"
#include "messages/ui_language.h"

using namespace kx;
using namespace kx::app::testing;

namespace {

UiLanguage LanguageFor(const char* lang) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(name);
    qputenv("LANG", lang);
    return SystemUiLanguage();
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { app::ApplyDialogColours(*qApp); }  // as at start-up

    void chineseSystemGetsChineseWindowsAndMessages() {
        QTranslator captions;
        const UiLanguage language = LanguageFor("zh_CN.UTF-8");
        QCOMPARE(language, UiLanguage::Chinese);
        QVERIFY(!app::InstallCaptions(*qApp, language, captions));
        WindowBench b(language);
        QVERIFY(b.Open());
        QCOMPARE(b.Find<QPushButton>("runButton")->text(), QString::fromUtf8("运行"));
        QCOMPARE(b.Find<QPushButton>("statusButton")->text(), QString::fromUtf8("搜索编程器.."));
        QVERIFY(b.Pane().startsWith(QString::fromUtf8("编程器连接失败！")));
        SaveScreenshot(b.Window(), "screenshot_zh.png");
    }

    void everyOtherLanguageGetsEnglish() {
        for (const char* lang : {"en_US.UTF-8", "zh_TW.UTF-8", "zh_HK", "de_DE"}) {
            QCOMPARE(LanguageFor(lang), UiLanguage::English);
        }
        QTranslator captions;
        QVERIFY(app::InstallCaptions(*qApp, UiLanguage::English, captions));
        WindowBench b(UiLanguage::English);
        b.ports.AddBox(0);
        QVERIFY(b.Open());
        QCOMPARE(b.Find<QPushButton>("readButton")->text(), QStringLiteral("Read"));
        QCOMPARE(b.Window().actions().front()->text(), QStringLiteral("&About KX_VELDRAN..."));
        b.dialogs.fileAnswers = {
            b.WriteFile("Demo_F1101.TXT",
                        "@FC00\r\n31 40 80 02 B2 40 80 5A 20 01 D2 D3 22 00 D2 E3\r\n"
                        "21 00 3F 40 50 C3 1F 83 FE 23 F9 3F\r\n@FFFE\r\n00 FC\r\nq\r\n")};
        b.Click("loadButton");
        b.Click("runButton");
        QVERIFY2(b.Pane().contains(QStringLiteral("Programming successful!")),
                 qPrintable(b.Pane()));
        SaveScreenshot(b.Window(), "screenshot.png");
        QCoreApplication::removeTranslator(&captions);
    }

    void dialogColours() {
        QCOMPARE(qApp->palette().color(QPalette::Window), QColor(200, 240, 200));
        QCOMPARE(qApp->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
