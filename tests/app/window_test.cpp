// The windows without a programmer: control rules, typing filters, loading, the password
// dialog, input held off during an operation, the questions' defaults, the start-up language.

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTranslator>

#include "app/about_dialog.h"
#include "app/operation_scope.h"
#include "app/password_dialog.h"
#include "app/programmer_app.h"
#include "app/window_output.h"
#include "app_test_support.h"
#include "image/code_image.h"
#include "image/password_file.h"
#include "image/titxt_writer.h"
#include "link/programmer_link.h"
#include "messages/ui_language.h"

using namespace kx;
using namespace kx::app::testing;

namespace {

void Retype(QLineEdit* field, const char* text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void Press(app::PasswordDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    security::SecurityWords words_;  // for the password dialog
    ScriptedDialogs dialogs_;

  private slots:
    void initTestCase() { app::ApplyDialogColours(*qApp); }  // as at start-up
    void init() {
        words_ = {};
        words_.vectorInUse.fill(0);
        words_.vectorInUse[9] = 1;  // as after loading code that uses vector 9 only
        dialogs_.told.clear();
    }

    void openingLoadingPasswordsAndHelpWithoutProgrammer() {
        WindowBench b;
        QVERIFY(b.Open());
        QVERIFY(b.Enabled("statusButton"));
        QCOMPARE(b.Text("statusButton"), Msg(43));
        for (const char* name :
             {"runButton", "saveAsButton", "downloadButton", "updateFirmwareButton"})
            QVERIFY2(!b.Enabled(name), name);
        QVERIFY(b.Pane().startsWith(Msg(9)));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A"));
        QCOMPARE(qApp->palette().color(QPalette::Window), QColor(200, 240, 200));

        const QString path = b.WriteFile(
            "prog.txt", "@F000\r\n31 40 00 0A\r\n@FFF2\r\n00 F0\r\n@FFFE\r\n00 F0\r\nq\r\n");
        b.dialogs.fileAnswers = {path, b.WriteFile("bad.txt", "\r\n@F000\r\n12\r\nq\r\n")};
        b.Click("loadButton");
        QVERIFY(b.Enabled("runButton") && b.Enabled("saveAsButton") &&
                !b.Enabled("downloadButton"));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Pane(), Msg(0) + path + Msg(1) + QStringLiteral("8\n"));
        QVERIFY(b.Window().Words().vectorInUse[9] && !b.Window().Words().vectorInUse[8]);

        b.Click("loadButton");  // refused: only the pane changes
        QCOMPARE(b.Pane(), Msg(2));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Window().Image().At(0xF000), 0x31);

        // Vectors edited in the password dialog go into the image and the code view.
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<app::PasswordDialog*>(qApp->activeModalWidget())) {
                Retype(dialog->VectorField(2), "BEEF");
                dialog->accept();
            }
        });
        b.Click("passwordButton");
        QCOMPARE(b.Window().Image().WordAt(0xFFE4), 0xBEEF);
        QCOMPARE(b.Window().CodeViewText(), image::RenderImageText(b.Window().Image(), 0x10000));

        b.Click("helpButton");  // the manual beside the program
        QCOMPARE(b.dialogs.opened,
                 QStringList(QCoreApplication::applicationDirPath() + "/KX_VELDRAN.pdf"));
    }

    void informationFlashModeAndFuseRules() {
        WindowBench b;
        QVERIFY(b.Open());
        b.SelectDevice(49);  // F2419 offers erase SegA
        auto* segA = b.Find<QCheckBox>("eraseSegACheck");
        const char* const productInfo[] = {"productNameEdit",    "serialEdit", "infoAddressEdit",
                                           "autoIncrementCheck", "decRadio",   "hexRadio"};
        b.Click("protectInfoCheck");
        QVERIFY(!segA->isChecked() && !segA->isEnabled());
        b.Click("useProductInfoCheck");
        QVERIFY(!b.On("protectInfoCheck") && segA->isEnabled());
        for (const char* n : productInfo) QVERIFY2(b.Enabled(n), n);
        b.Click("protectInfoCheck");
        QVERIFY(!b.On("useProductInfoCheck") && !segA->isChecked() && !segA->isEnabled());
        for (const char* n : productInfo) QVERIFY2(!b.Enabled(n), n);
        b.Click("protectInfoCheck");
        QVERIFY(segA->isChecked() && segA->isEnabled());

        // F1101 has no segment-A choice: clearing protect ticks it but keeps it hidden.
        b.SelectDevice(0);
        b.Click("protectInfoCheck");
        b.Click("protectInfoCheck");
        QVERIFY(segA->isChecked() && !segA->isEnabled() && segA->isHidden());

        // The fuse is asked about, and the BSL cannot burn it.
        b.dialogs.confirmAnswers = {false, true};
        b.Click("burnFuseCheck");
        QVERIFY(!b.On("burnFuseCheck"));
        b.Click("burnFuseCheck");
        QVERIFY(b.On("burnFuseCheck"));
        b.Click("burnFuseCheck");  // unticking asks nothing
        QCOMPARE(b.dialogs.questions, QStringList({Msg(54), Msg(54)}));
        QVERIFY(b.dialogs.looks.front().exclamation);

        b.Click("bslRadio");
        QVERIFY(!b.Enabled("burnFuseCheck"));
        QCOMPARE(b.Pane(), Msg(59));
        b.Click("jtagRadio");
        QVERIFY(!b.On("burnFuseCheck") && b.Enabled("burnFuseCheck"));
    }

    void typingFilters() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Click("useProductInfoCheck");
        b.Retype("serialEdit", "25x5");
        QCOMPARE(b.Window().SerialCounter(), 255u);
        b.Click("hexRadio");
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("FF"));
        QTest::keyClicks(b.Find("serialEdit"), "a");
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("FFA"));
        b.Click("decRadio");
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("4090"));

        // The record holds 19 GBK bytes: nine Chinese characters and one letter fit.
        auto* name = b.Find<QLineEdit>("productNameEdit");
        name->clear();
        name->insert(QString::fromUtf8("中文中文中文中文中A"));
        name->insert(QStringLiteral("B"));
        QCOMPARE(name->text(), QString::fromUtf8("中文中文中文中文中A"));

        b.Retype("readAddressEdit", "fc0g12");
        QCOMPARE(b.Text("readAddressEdit"), QStringLiteral("FC01"));
        b.SelectDevice(49);  // 20-bit: five digits
        b.Retype("readAddressEdit", "123456");
        QCOMPARE(b.Text("readAddressEdit"), QStringLiteral("12345"));
        b.Retype("countLimitEdit", "12a3456");
        QCOMPARE(b.Text("countLimitEdit"), QStringLiteral("12345"));
        b.Find("codeView")->setFocus();
        b.Find("countLimitEdit")->setFocus(Qt::TabFocusReason);
        QCOMPARE(b.Pane(), Msg(61));
    }

    void passwordDialogLocksTypingAndOk() {
        app::PasswordDialog dialog(words_, dialogs_);
        dialog.show();
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(dialog.VectorField(i)->isEnabled(), i != 9);
            QVERIFY(dialog.PasswordField(i)->isEnabled());
        }
        Retype(dialog.VectorField(2), "12x3ab");  // x refused, a-f upper-cased, four at most
        QCOMPARE(dialog.VectorField(2)->text(), QStringLiteral("123A"));
        Retype(dialog.PasswordField(0), "123");
        Press(dialog, "okButton");
        QCOMPARE(dialogs_.told, QStringList(QString::fromUtf8("密码1输入长度不对")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(words_.vectorTable[2], 0x123A);  // vectors are committed before the passwords
        QCOMPARE(words_.bslPassword[0], 0xFFFF);
        Retype(dialog.PasswordField(0), "1234");
        Press(dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(words_.bslPassword[0], 0x1234);
    }

    void passwordDialogSavesAndLoadsFiles() {
        WindowBench files;  // for its temporary folder
        app::PasswordDialog dialog(words_, dialogs_);
        Retype(dialog.VectorField(0), "1234");
        image::Words16 other{};
        other.fill(0x5AA5);
        const QString saved = files.dir.filePath(QStringLiteral("pw.TXT"));
        dialogs_.fileAnswers = {saved, files.WriteFile("ok.TXT", image::PasswordFileText(other))};
        Press(dialog, "saveFileButton");  // commits the vectors, then writes them
        QCOMPARE(files.ReadFile(saved), image::PasswordFileText(words_.vectorTable));
        QCOMPARE(words_.vectorTable[0], 0x1234);
        Press(dialog, "loadFileButton");
        QCOMPARE(dialog.PasswordField(3)->text(), QStringLiteral("5AA5"));
        QCOMPARE(dialog.VectorField(0)->text(), QStringLiteral("1234"));
        dialog.reject();
        QCOMPARE(words_.bslPassword[3], 0x5AA5);  // Cancel keeps what Load committed
    }

    void operationDropsInputToItsWindowOnly() {
        QWidget window;
        auto* run = new QPushButton(&window);
        QPlainTextEdit pane(&window);
        QProgressBar bar(&window);
        QPushButton question;  // another window, as a message box is
        window.show();
        question.show();
        QSignalSpy runs(run, &QPushButton::clicked), answers(&question, &QPushButton::clicked);
        WindowBench b;  // for its clock, ports and dialogs
        link::ProgrammerLink link(b.ports, b.clock);
        app::WindowOutput out(UiLanguage::English, b.clock, pane, bar, b.dialogs, window);
        {
            app::OperationScope scope(window, link, out);
            QTest::mouseClick(run, Qt::LeftButton);
            QTest::mouseClick(&question, Qt::LeftButton);
        }
        QCOMPARE(runs.count(), 0);
        QCOMPARE(answers.count(), 1);
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(runs.count(), 1);
    }

    // Enter in the real question boxes: Cancel before burning the fuse and before the firmware
    // update, which cannot be undone; OK before the offline download.
    void strayEnterRefusesIrreversibleQuestions() {
        WindowBench b;  // for its clock
        QWidget window;
        QPlainTextEdit pane(&window);
        QProgressBar bar(&window);
        window.show();
        app::QtUserDialogs real;
        app::WindowOutput out(UiLanguage::English, b.clock, pane, bar, real, window);
        for (const auto& [msg, ok] : {std::pair{54, false}, {55, true}, {56, false}}) {
            QTimer::singleShot(0, [] {
                if (QWidget* box = qApp->activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
            });
            QCOMPARE(out.ConfirmMessage(msg), ok);
        }
    }

    // Only mainland Chinese gets Chinese windows and messages.
    void startUpLanguage() {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(name);
        qputenv("LANG", "zh_TW.UTF-8");
        QCOMPARE(SystemUiLanguage(), UiLanguage::English);
        qputenv("LANG", "zh_CN.UTF-8");
        QCOMPARE(SystemUiLanguage(), UiLanguage::Chinese);
        QTranslator captions;  // leaves the application when it goes
        QVERIFY(!app::InstallCaptions(*qApp, UiLanguage::Chinese, captions));
        {
            WindowBench zh(UiLanguage::Chinese);
            QVERIFY(zh.Open());
            QCOMPARE(zh.Text("runButton"), QString::fromUtf8("运行"));
            QCOMPARE(zh.Text("statusButton"), QString::fromUtf8("搜索编程器.."));
            QVERIFY(zh.Pane().startsWith(QString::fromUtf8("编程器连接失败！")));
            SaveScreenshot(zh.Window(), "screenshot_zh.png");
        }
        QVERIFY(app::InstallCaptions(*qApp, UiLanguage::English, captions));
        WindowBench b;
        b.ports.AddBox(0);
        QVERIFY(b.Open());
        QCOMPARE(b.Text("readButton"), QStringLiteral("Read"));
        QCOMPARE(b.Window().actions().front()->text(), QStringLiteral("&About KX_VELDRAN..."));
        const app::AboutDialog about;
        QCOMPARE(about.findChild<QLabel*>("versionLine")->text(),
                 QStringLiteral("Program version " KX_PROJECT_VERSION));
        // The run the README's picture shows.
        b.dialogs.fileAnswers = {
            b.WriteFile("Demo_F1101.TXT",
                        "@FC00\r\n31 40 80 02 B2 40 80 5A 20 01 D2 D3 22 00 D2 E3\r\n"
                        "21 00 3F 40 50 C3 1F 83 FE 23 F9 3F\r\n@FFFE\r\n00 FC\r\nq\r\n")};
        b.Click("loadButton");
        b.Click("runButton");
        QVERIFY2(b.Pane().contains(Msg(24)), qPrintable(b.Pane()));
        SaveScreenshot(b.Window(), "screenshot.png");
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
