// The main window's control rules, with no programmer attached.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/operation_scope.h"
#include "app/window_output.h"
#include "app_test_support.h"
#include "image/code_image.h"
#include "link/programmer_link.h"

using namespace kx;
using namespace kx::app::testing;

class WindowRulesTest : public QObject {
    Q_OBJECT

  private slots:
    void openingWithoutProgrammer() {
        WindowBench b;
        QVERIFY(b.Open());
        QVERIFY(b.Find<QPushButton>("statusButton")->isEnabled());
        QCOMPARE(b.Find<QPushButton>("statusButton")->text(), Msg(43));
        for (const char* name :
             {"runButton", "saveAsButton", "downloadButton", "updateFirmwareButton"}) {
            QVERIFY2(!b.Find<QPushButton>(name)->isEnabled(), name);
        }
        QVERIFY(b.Pane().startsWith(Msg(9)));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A"));
    }

    void protectAndProductInformationExcludeEachOther() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Find<QComboBox>("deviceList")->setCurrentIndex(49);  // F2419 offers erase SegA
        auto* segA = b.Find<QCheckBox>("eraseSegACheck");
        b.Click("useProductInfoCheck");
        QVERIFY(b.Find<QLineEdit>("productNameEdit")->isEnabled());
        b.Click("protectInfoCheck");
        QVERIFY(!b.Find<QCheckBox>("useProductInfoCheck")->isChecked());
        for (const char* n : {"productNameEdit", "serialEdit", "infoAddressEdit",
                              "autoIncrementCheck", "decRadio", "hexRadio"}) {
            QVERIFY2(!b.Find<QWidget>(n)->isEnabled(), n);
        }
        QVERIFY(!segA->isChecked() && !segA->isEnabled());
        b.Click("protectInfoCheck");
        QVERIFY(segA->isChecked() && segA->isEnabled());

        // F1101 has no segment-A choice: clearing protect ticks it but keeps it hidden.
        b.Find<QComboBox>("deviceList")->setCurrentIndex(0);
        b.Click("protectInfoCheck");
        b.Click("protectInfoCheck");
        QVERIFY(segA->isChecked() && !segA->isEnabled() && segA->isHidden());
    }

    void modeRulesAndFuseQuestion() {
        WindowBench b;
        QVERIFY(b.Open());
        auto* fuse = b.Find<QCheckBox>("burnFuseCheck");
        b.dialogs.confirmAnswers = {false, true};
        b.Click("burnFuseCheck");
        QVERIFY(!fuse->isChecked());
        b.Click("burnFuseCheck");
        QVERIFY(fuse->isChecked());
        b.Click("burnFuseCheck");  // unticking asks nothing
        QCOMPARE(b.dialogs.questions, QStringList({Msg(54), Msg(54)}));
        QVERIFY(b.dialogs.questionIcons.front());

        b.Click("bslRadio");
        QVERIFY(!fuse->isEnabled());
        QCOMPARE(b.Pane(), Msg(59));
        b.Click("jtagRadio");
        QVERIFY(!fuse->isChecked() && fuse->isEnabled());
    }

    void typingFilters() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Click("useProductInfoCheck");
        auto* serial = b.Find<QLineEdit>("serialEdit");
        serial->clear();
        QTest::keyClicks(serial, "25x5");
        QCOMPARE(b.Window().SerialCounter(), 255u);
        b.Click("hexRadio");
        QCOMPARE(serial->text(), QStringLiteral("FF"));
        QTest::keyClicks(serial, "a");
        QCOMPARE(serial->text(), QStringLiteral("FFA"));
        b.Click("decRadio");
        QCOMPARE(serial->text(), QStringLiteral("4090"));

        // The record holds 19 GBK bytes: nine Chinese characters and one letter fit.
        auto* name = b.Find<QLineEdit>("productNameEdit");
        name->clear();
        name->insert(QString::fromUtf8("中文中文中文中文中A"));
        name->insert(QStringLiteral("B"));
        QCOMPARE(name->text(), QString::fromUtf8("中文中文中文中文中A"));

        auto* address = b.Find<QLineEdit>("readAddressEdit");
        address->clear();
        QTest::keyClicks(address, "fc0g12");
        QCOMPARE(address->text(), QStringLiteral("FC01"));
        b.Find<QComboBox>("deviceList")->setCurrentIndex(49);  // 20-bit: five digits
        address->clear();
        QTest::keyClicks(address, "123456");
        QCOMPARE(address->text(), QStringLiteral("12345"));

        auto* count = b.Find<QLineEdit>("countLimitEdit");
        count->clear();
        QTest::keyClicks(count, "12a3456");
        QCOMPARE(count->text(), QStringLiteral("12345"));
        b.Find<QWidget>("codeView")->setFocus();
        count->setFocus(Qt::TabFocusReason);
        QCOMPARE(b.Pane(), Msg(61));
    }

    void loadingWithoutProgrammer() {
        WindowBench b;
        QVERIFY(b.Open());
        const QString path = b.WriteFile(
            "prog.txt", "@F000\r\n31 40 00 0A\r\n@FFF2\r\n00 F0\r\n@FFFE\r\n00 F0\r\nq\r\n");
        b.dialogs.fileAnswers = {path, b.WriteFile("bad.txt", "\r\n@F000\r\n12\r\nq\r\n")};
        b.Click("loadButton");
        QVERIFY(b.Find<QPushButton>("runButton")->isEnabled() &&
                b.Find<QPushButton>("saveAsButton")->isEnabled());
        QVERIFY(!b.Find<QPushButton>("downloadButton")->isEnabled());
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Pane(), Msg(0) + path + Msg(1) + QStringLiteral("8\n"));
        QVERIFY(b.Window().Words().vectorInUse[9] && !b.Window().Words().vectorInUse[8]);

        b.Click("loadButton");  // refused: only the pane changes
        QCOMPARE(b.Pane(), Msg(2));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Window().Image().At(0xF000), 0x31);
    }

    void aboutFromButtonAndMenuAndHelp() {
        WindowBench b;
        QVERIFY(b.Open());
        QStringList seen;
        const auto closeAbout = [&seen] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* field = modal ? modal->findChild<QLineEdit*>("identificationField") : nullptr)
                seen << field->text();
            if (modal) modal->close();
        };
        QTimer::singleShot(0, closeAbout);
        b.Click("aboutButton");
        QTimer::singleShot(0, closeAbout);
        b.Window().actions().front()->trigger();
        QCOMPARE(seen, QStringList({QStringLiteral("KX_VELDRAN V02.73A"),
                                    QStringLiteral("KX_VELDRAN V02.73A")}));
        b.Click("helpButton");
        QVERIFY(b.dialogs.opened.value(0).endsWith(QStringLiteral("/KX_VELDRAN.pdf")));
    }

    void operationDropsInputToItsWindowOnly() {
        QWidget window;
        auto* run = new QPushButton(&window);
        QPlainTextEdit pane(&window);
        QProgressBar bar(&window);
        QPushButton question;  // another window, as a message box is
        window.show();
        question.show();
        int runs = 0, answers = 0;
        QObject::connect(run, &QPushButton::clicked, [&runs] { ++runs; });
        QObject::connect(&question, &QPushButton::clicked, [&answers] { ++answers; });
        ScriptedDialogs dialogs;
        ManualClock clock;
        sim::SimulatedPorts ports(clock);
        link::ProgrammerLink link(ports, clock);
        app::WindowOutput out(UiLanguage::English, clock, pane, bar, dialogs, window);
        {
            app::OperationScope scope(window, link, out);
            QTest::mouseClick(run, Qt::LeftButton);
            QTest::mouseClick(&question, Qt::LeftButton);
        }
        QCOMPARE(runs, 0);
        QCOMPARE(answers, 1);
        QTest::mouseClick(run, Qt::LeftButton);
        QCOMPARE(runs, 1);
    }
};

QTEST_MAIN(WindowRulesTest)
#include "window_rules_test.moc"
