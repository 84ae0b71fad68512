// The password and vector dialog: locks, typing filter, checks and commit order, the file
// buttons, and the hand-over to the code image on OK.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/password_dialog.h"
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

}  // namespace

class PasswordDialogTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithLocksFromVectorMarks() {
        security::SecurityWords words;
        ScriptedDialogs dialogs;
        app::PasswordDialog fresh(words, dialogs);
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(fresh.VectorField(i)->text(), QStringLiteral("FFFF"));
            QVERIFY(!fresh.VectorField(i)->isEnabled());
            QVERIFY(fresh.PasswordField(i)->isEnabled());
        }
        words.vectorInUse.fill(0);
        words.vectorInUse[9] = words.vectorInUse[15] = 1;
        words.vectorTable[15] = 0x0ABC;
        app::PasswordDialog loaded(words, dialogs);
        for (int i = 0; i < 16; ++i) QCOMPARE(loaded.VectorField(i)->isEnabled(), i != 9 && i != 15);
        QCOMPARE(loaded.VectorField(15)->text(), QStringLiteral("0ABC"));
    }

    void typingFilterAndCommitOrder() {
        security::SecurityWords words;
        words.vectorInUse.fill(0);
        ScriptedDialogs dialogs;
        app::PasswordDialog dialog(words, dialogs);
        dialog.show();
        QLineEdit* vector2 = dialog.VectorField(2);
        Retype(vector2, "12x3ab");  // x refused, fifth character refused, a-f upper-cased
        QCOMPARE(vector2->text(), QStringLiteral("123A"));
        Retype(dialog.PasswordField(0), "123");

        QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QCOMPARE(dialogs.told, QStringList(QString::fromUtf8("密码1输入长度不对")));
        QVERIFY(dialog.isVisible());
        QCOMPARE(words.vectorTable[2], 0x123A);  // vectors are committed before passwords
        QCOMPARE(words.bslPassword[0], 0xFFFF);

        Retype(dialog.VectorField(9), "12");
        QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QCOMPARE(dialogs.told.back(), QString::fromUtf8("向量10输入长度不对"));

        Retype(dialog.VectorField(9), "0009");
        Retype(dialog.PasswordField(0), "1234");
        QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(words.bslPassword[0], 0x1234);
        QCOMPARE(words.vectorTable[9], 0x0009);
    }

    void saveAndLoadPasswordFiles() {
        WindowBench files;  // only for its temporary folder
        security::SecurityWords words;
        words.vectorInUse.fill(0);
        ScriptedDialogs dialogs;
        app::PasswordDialog dialog(words, dialogs);
        Retype(dialog.VectorField(0), "1234");
        const QString saved = files.TempFile(QStringLiteral("pw.TXT"));
        dialogs.saveAnswers = {saved};
        QTest::mouseClick(dialog.findChild<QPushButton*>("saveFileButton"), Qt::LeftButton);
        QCOMPARE(dialogs.choices.back().proposedName, QStringLiteral("Msp430_Password.TXT"));
        QCOMPARE(files.ReadFile(saved), image::PasswordFileText(words.vectorTable));
        QCOMPARE(words.vectorTable[0], 0x1234);

        security::Words16 other{};
        other.fill(0x5AA5);
        dialogs.openAnswers = {files.WriteFile("long.TXT", image::PasswordFileText(other) + "\n"),
                               files.WriteFile("ok.TXT", image::PasswordFileText(other))};
        QTest::mouseClick(dialog.findChild<QPushButton*>("loadFileButton"), Qt::LeftButton);
        QCOMPARE(dialogs.told.back(), QString::fromUtf8("文件长度不符！"));
        QCOMPARE(words.bslPassword[3], 0xFFFF);
        QTest::mouseClick(dialog.findChild<QPushButton*>("loadFileButton"), Qt::LeftButton);
        QCOMPARE(dialog.PasswordField(3)->text(), QStringLiteral("5AA5"));
        QCOMPARE(dialog.VectorField(0)->text(), QStringLiteral("1234"));
        dialog.reject();
        QCOMPARE(words.bslPassword[3], 0x5AA5);  // Cancel keeps what Load committed
    }

    void okHandsVectorsToTheCodeImage() {
        WindowBench b;
        QVERIFY(b.Open());
        b.dialogs.openAnswers = {b.WriteFile("p.txt", "@FC00\r\n31 40\r\n@FFFE\r\n00 FC\r\nq\r\n")};
        b.Click("loadButton");
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<app::PasswordDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            Retype(dialog->VectorField(2), "BEEF");
            dialog->accept();
        });
        b.Click("passwordButton");
        QCOMPARE(b.Window().Image().At(0xFFE4), 0xEF);
        QCOMPARE(b.Window().Image().At(0xFFE5), 0xBE);
        QCOMPARE(b.Window().CodeViewText(), image::RenderImageText(b.Window().Image(), 0x10000));
        QVERIFY(b.Find<QPushButton>("saveAsButton")->isEnabled());
    }
};

QTEST_MAIN(PasswordDialogTest)
#include "password_dialog_test.moc"
