// The password and vector dialog: locks, typing filter, checks and commit order, the file
// buttons, and the hand-over to the code image on OK.

#include "app/password_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app_test_support.h"
#include "image/code_image.h"
#include "image/password_file.h"
#include "image/titxt_writer.h"

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

class PasswordDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void locksFollowTheVectorMarks() {
        security::SecurityWords words;
        ScriptedDialogs dialogs;
        app::PasswordDialog fresh(words, dialogs);
        for (int i = 0; i < 16; ++i)
            QVERIFY(!fresh.VectorField(i)->isEnabled() && fresh.PasswordField(i)->isEnabled());
        words.vectorInUse.fill(0);
        words.vectorInUse[9] = words.vectorInUse[15] = 1;
        app::PasswordDialog loaded(words, dialogs);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(loaded.VectorField(i)->isEnabled(), i != 9 && i != 15);
    }

    void typingChecksAndCommitOrder() {
        security::SecurityWords words;
        words.vectorInUse.fill(0);
        ScriptedDialogs dialogs;
        app::PasswordDialog dialog(words, dialogs);
        dialog.show();
        Retype(dialog.VectorField(2), "12x3ab");  // x refused, a-f upper-cased, four at most
        QCOMPARE(dialog.VectorField(2)->text(), QStringLiteral("123A"));
        Retype(dialog.PasswordField(0), "123");
        Press(dialog, "okButton");
        QCOMPARE(dialogs.told, QStringList(QString::fromUtf8("密码1输入长度不对")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(words.vectorTable[2], 0x123A);  // vectors are committed before the passwords
        QCOMPARE(words.bslPassword[0], 0xFFFF);

        Retype(dialog.VectorField(9), "12");
        Press(dialog, "okButton");
        QCOMPARE(dialogs.told.back(), QString::fromUtf8("向量10输入长度不对"));
        Retype(dialog.VectorField(9), "0009");
        Retype(dialog.PasswordField(0), "1234");
        Press(dialog, "okButton");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(words.bslPassword[0], 0x1234);
    }

    void saveAndLoadPasswordFiles() {
        WindowBench files;  // for its temporary folder
        security::SecurityWords words;
        words.vectorInUse.fill(0);
        ScriptedDialogs dialogs;
        app::PasswordDialog dialog(words, dialogs);
        Retype(dialog.VectorField(0), "1234");
        security::Words16 other{};
        other.fill(0x5AA5);
        const QString saved = files.dir.filePath(QStringLiteral("pw.TXT"));
        dialogs.fileAnswers = {saved, files.WriteFile("ok.TXT", image::PasswordFileText(other))};
        Press(dialog, "saveFileButton");  // commits the vectors, then writes them
        QCOMPARE(files.ReadFile(saved), image::PasswordFileText(words.vectorTable));
        QCOMPARE(words.vectorTable[0], 0x1234);
        Press(dialog, "loadFileButton");
        QCOMPARE(dialog.PasswordField(3)->text(), QStringLiteral("5AA5"));
        QCOMPARE(dialog.VectorField(0)->text(), QStringLiteral("1234"));
        dialog.reject();
        QCOMPARE(words.bslPassword[3], 0x5AA5);  // Cancel keeps what Load committed
    }

    void okHandsVectorsToTheCodeImage() {
        WindowBench b;
        QVERIFY(b.Open());
        b.dialogs.fileAnswers = {b.WriteFile("p.txt", "@FC00\r\n31 40\r\n@FFFE\r\n00 FC\r\nq\r\n")};
        b.Click("loadButton");
        QTimer::singleShot(0, [] {
            if (auto* dialog =
                    qobject_cast<app::PasswordDialog*>(QApplication::activeModalWidget())) {
                Retype(dialog->VectorField(2), "BEEF");
                dialog->accept();
            }
        });
        b.Click("passwordButton");
        QCOMPARE(b.Window().Image().WordAt(0xFFE4), 0xBEEF);
        QCOMPARE(b.Window().CodeViewText(), image::RenderImageText(b.Window().Image(), 0x10000));
        QVERIFY(b.Find<QPushButton>("saveAsButton")->isEnabled());
    }
};

QTEST_MAIN(PasswordDialogTest)
#include "password_dialog_test.moc"
