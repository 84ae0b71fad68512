// The windows without a programmer: control rules, typing filters, loading, the password
// dialog, Help, input held off during an operation, the questions' defaults, the start-up
// language (Qt's own texts included).

#include <QAbstractItemView>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScopeGuard>
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

// True when `field` shows `text` without scrolling: the cursor moves from its first to its
// last position by the text's whole width.
bool ShowsWhole(QLineEdit* field, const QString& text) {
    field->setText(text);
    int x[2] = {};
    for (const int end : {0, 1}) {
        field->setCursorPosition(end == 0 ? 0 : static_cast<int>(text.size()));
        field->repaint();  // the scroll offset follows the cursor when painted
        x[end] = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    }
    const int width = field->fontMetrics().horizontalAdvance(text);
    return x[0] >= 0 && x[1] < field->width() && qAbs(x[1] - x[0] - width) <= 1;
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
            "prog.txt",
            "@F000\r\n31 40 00 0A\r\n@FFF2\r\n00 F0\r\n@FFFE\r\n00 F0\r\n@10100\r\n55 AA\r\nq\r\n");
        b.dialogs.fileAnswers = {path, b.WriteFile("bad.txt", "\r\n@F000\r\n12\r\nq\r\n")};
        b.Click("loadButton");
        QVERIFY(b.Enabled("runButton") && b.Enabled("saveAsButton") &&
                !b.Enabled("downloadButton"));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Pane(), Msg(0) + path + Msg(1) + QStringLiteral("10\n"));
        QVERIFY(b.Window().Words().vectorInUse[9] && !b.Window().Words().vectorInUse[8]);

        b.Click("loadButton");  // refused: only the pane changes
        QCOMPARE(b.Pane(), Msg(2));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Window().Image().At(0xF000), 0x31);

        // Vectors edited in the password dialog go into the image and the code view, which
        // still shows the data above the selected F1101.
        QTimer::singleShot(0, [] {
            if (auto* dialog = qobject_cast<app::PasswordDialog*>(qApp->activeModalWidget())) {
                Retype(dialog->VectorField(2), "BEEF");
                dialog->accept();
            }
        });
        b.Click("passwordButton");
        QCOMPARE(b.Window().Image().WordAt(0xFFE4), 0xBEEF);
        const std::string& view = b.Window().CodeViewText();
        QVERIFY(view.find("@FFE0\r\nFF FF FF FF EF BE ") != std::string::npos);
        QVERIFY2(view.find("@10100\r\n55 AA FF ") != std::string::npos, view.c_str());

        // Help: no manual anywhere is said, with where it was looked for.
        b.Click("helpButton");
        QVERIFY(b.dialogs.opened.isEmpty());
        QCOMPARE(b.dialogs.told.size(), 1);
        QVERIFY(b.dialogs.told.front().contains(QStringLiteral("KX_VELDRAN_en.pdf")));
        // Only the Chinese one installed (../share/doc/kxveldran beside the program's folder):
        // better than nothing; a desktop without a PDF viewer is said too.
        const QDir installed(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/../share/doc/kxveldran"));
        const auto cleanUp = qScopeGuard([installed] {
            QDir(installed.absoluteFilePath(QStringLiteral("../.."))).removeRecursively();
        });
        QVERIFY(installed.mkpath(QStringLiteral(".")));
        const QString zh = installed.absoluteFilePath(QStringLiteral("KX_VELDRAN_zh_CN.pdf"));
        QVERIFY(QFile(zh).open(QIODevice::WriteOnly));
        b.dialogs.openWorks = false;
        b.Click("helpButton");
        QCOMPARE(b.dialogs.opened, QStringList(QDir::cleanPath(zh)));
        QCOMPARE(b.dialogs.told.size(), 2);
        QVERIFY(b.dialogs.told.back().contains(QDir::cleanPath(zh)));
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

    // What an operator reads every day is shown whole, and the dialogs fit a 1024x768 screen.
    void textsShownWholeAndDialogsFitSmallScreens() {
        WindowBench b;
        QVERIFY(b.Open());
        auto* name = b.Find<QLineEdit>("productNameEdit");
        QVERIFY(ShowsWhole(name, QStringLiteral("WWWWWWWWWWWWWWWWWWW")));
        QVERIFY(ShowsWhole(name, QString::fromUtf8("中文中文中文中文中W")));
        QVERIFY(b.Window().width() <= 1000 && b.Window().height() <= 700);

        auto* devices = b.Find<QComboBox>("deviceList");
        devices->showPopup();  // 16 rows high, scrolling for the rest
        const QAbstractItemView* popup = devices->view();
        QCOMPARE(popup->viewport()->height() / popup->sizeHintForRow(0), 16);
        devices->hidePopup();

        // The password dialog with its 32 four-digit fields, in both languages.
        QTranslator captions;
        for (const bool english : {false, true}) {
            if (english) QVERIFY(app::InstallCaptions(*qApp, UiLanguage::English, captions));
            app::PasswordDialog dialog(words_, dialogs_);
            dialog.show();
            QVERIFY(dialog.width() <= 1000 && dialog.height() <= 700);
            for (const QChar digit : QStringLiteral("0123456789ABCDEF"))
                QVERIFY(ShowsWhole(dialog.PasswordField(15), QString(4, digit)));
        }
    }

    // During an operation only the window's own input is dropped. Enter in the real question
    // boxes: Cancel before burning the fuse and before the firmware update, which cannot be
    // undone; OK before the offline download. A box with a short text still has room for its
    // title in a bold font and four title-bar buttons.
    void operationInputAndRealMessageBoxes() {
        QWidget window;
        auto* run = new QPushButton(&window);
        QPlainTextEdit pane(&window);
        QProgressBar bar(&window);
        QPushButton question;  // another window, as a message box is
        window.show();
        question.show();
        QSignalSpy runs(run, &QPushButton::clicked), answers(&question, &QPushButton::clicked);
        WindowBench b;  // for its clock and ports
        link::ProgrammerLink link(b.ports, b.clock);
        app::QtUserDialogs real;
        app::WindowOutput out(UiLanguage::English, b.clock, pane, bar, real, window);
        {
            app::OperationScope scope(window, link, out);
            QTest::mouseClick(run, Qt::LeftButton);
            QTest::mouseClick(&question, Qt::LeftButton);
        }
        QCOMPARE(runs.count(), 0);
        QCOMPARE(answers.count(), 1);
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(runs.count(), 1);

        int boxWidth = 0;
        const auto pressEnter = [&boxWidth] {
            if (QWidget* box = qApp->activeModalWidget()) {
                boxWidth = box->width();
                QTest::keyClick(box, Qt::Key_Return);
            }
        };
        for (const auto& [msg, ok] : {std::pair{Message::ConfirmFuse, false},
                                      {Message::ConfirmDownload, true},
                                      {Message::ConfirmUpdate, false}}) {
            QTimer::singleShot(0, pressEnter);
            QCOMPARE(out.ConfirmMessage(msg), ok);
        }
        QTimer::singleShot(0, pressEnter);
        real.Tell(&window, QStringLiteral("OK"), false);
        QFont bold = window.font();
        bold.setBold(true);
        QVERIFY(boxWidth >=
                QFontMetrics(bold).horizontalAdvance(QStringLiteral("KX_VELDRAN")) + 96);
    }

    // Only mainland Chinese gets Chinese windows and messages.
    void startUpLanguage() {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(name);
        qputenv("LANG", "zh_CN.UTF-8");
        QCOMPARE(SystemUiLanguage(), UiLanguage::Chinese);
        QTranslator captions;  // leaves the application when it goes
        QVERIFY(!app::InstallCaptions(*qApp, UiLanguage::Chinese, captions));
        {
            // Qt's own controls speak Chinese too: the file chooser and the standard buttons.
            QTranslator qtTexts;
            QVERIFY(app::InstallQtTranslations(*qApp, UiLanguage::Chinese, qtTexts));
            QFileDialog chooser;
            chooser.setOption(QFileDialog::DontUseNativeDialog);
            chooser.setAcceptMode(QFileDialog::AcceptSave);
            QStringList english;
            for (const QWidget* w : chooser.findChildren<QWidget*>()) {
                const QString text = w->property("text").toString();
                if (text.contains(QRegularExpression(QStringLiteral("^[&A-Za-z :.]{2,}$"))))
                    english << text;
            }
            QVERIFY2(english.isEmpty(), qPrintable(english.join(" | ")));
            QMessageBox question(QMessageBox::Question, QString(), QString(),
                                 QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(question.button(QMessageBox::No)->text(), QString::fromUtf8("否(&N)"));
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
