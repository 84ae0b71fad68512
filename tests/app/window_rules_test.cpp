// The main window's control rules, with no programmer attached.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/operation_scope.h"
#include "app/window_output.h"
#include "app_test_support.h"
#include "image/code_image.h"

using namespace kx;
using namespace kx::app::testing;

class WindowRulesTest : public QObject {
    Q_OBJECT

private slots:
    void openingWithoutProgrammer() {
        WindowBench b;
        QVERIFY(b.Open());
        auto* status = b.Find<QPushButton>("statusButton");
        QVERIFY(status->isEnabled());
        QCOMPARE(status->text(), Msg(43));
        for (const char* name : {"runButton", "saveAsButton", "downloadButton", "updateFirmwareButton"}) {
            QVERIFY2(!b.Find<QPushButton>(name)->isEnabled(), name);
        }
        QVERIFY(b.Find<QPushButton>("vppButton")->isHidden());
        QVERIFY(b.Pane().startsWith(Msg(9)));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A"));
    }

    void protectAndProductInformationExcludeEachOther() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Find<QComboBox>("deviceList")->setCurrentIndex(49);  // F2419: offers erase SegA
        auto* segA = b.Find<QCheckBox>("eraseSegACheck");
        auto* useInfo = b.Find<QCheckBox>("useProductInfoCheck");
        auto* name = b.Find<QLineEdit>("productNameEdit");
        b.Click("useProductInfoCheck");
        QVERIFY(useInfo->isChecked() && name->isEnabled() && b.Find<QRadioButton>("hexRadio")->isEnabled());

        b.Click("protectInfoCheck");
        QVERIFY(!useInfo->isChecked());
        for (const char* n : {"productNameEdit", "serialEdit", "infoAddressEdit", "autoIncrementCheck",
                              "decRadio", "hexRadio"}) {
            QVERIFY2(!b.Find<QWidget>(n)->isEnabled(), n);
        }
        QVERIFY(!segA->isChecked() && !segA->isEnabled());

        b.Click("protectInfoCheck");  // cleared again
        QVERIFY(segA->isChecked() && segA->isEnabled() && !segA->isHidden());

        b.Click("protectInfoCheck");
        b.Click("useProductInfoCheck");  // ticking it clears protect
        QVERIFY(!b.Find<QCheckBox>("protectInfoCheck")->isChecked() && segA->isEnabled());

        // F1101 has no segment-A choice: the box stays hidden, ticked and disabled.
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
        QCOMPARE(b.dialogs.questions, QStringList({Msg(54), Msg(54)}));
        QVERIFY(b.dialogs.questionIcons.front());
        b.Click("burnFuseCheck");  // unticking asks nothing
        QCOMPARE(b.dialogs.questions.size(), 2);

        b.Click("burnFuseCheck");
        b.Click("bslRadio");
        QVERIFY(!fuse->isChecked() && !fuse->isEnabled());
        QCOMPARE(b.Pane(), Msg(59));
        b.Click("jtagRadio");
        QVERIFY(!fuse->isChecked() && fuse->isEnabled());

        // G2001 has no loader: BSL is left disabled and JTAG chosen.
        b.Click("bslRadio");
        b.Find<QComboBox>("deviceList")->setCurrentIndex(50);
        auto* bsl = b.Find<QRadioButton>("bslRadio");
        QVERIFY(!bsl->isEnabled() && !bsl->isChecked());
        QVERIFY(b.Find<QRadioButton>("jtagRadio")->isChecked());
        QVERIFY(b.Find<QRadioButton>("sbwRadio")->isEnabled() && !b.Find<QRadioButton>("sbwRadio")->isChecked());
    }

    void deviceSelectionSetsReadFields() {
        WindowBench b;
        QVERIFY(b.Open());
        auto* address = b.Find<QLineEdit>("readAddressEdit");
        auto* length = b.Find<QLineEdit>("readLengthEdit");
        QCOMPARE(address->text(), QStringLiteral("FC00"));
        QCOMPARE(length->text(), QStringLiteral("0400"));
        b.Find<QComboBox>("deviceList")->setCurrentIndex(49);
        QCOMPARE(b.Pane(), QStringLiteral("MSP430F2419(F2619):\nFlash size = 0x1DF00(Bytes)\nRam size = 0x1000(Bytes)"));
        QCOMPARE(length->text(), QStringLiteral("1DF00"));
        address->clear();
        QTest::keyClicks(address, "123456");
        QCOMPARE(address->text(), QStringLiteral("12345"));
        b.Find<QComboBox>("deviceList")->setCurrentIndex(13);
        address->clear();
        QTest::keyClicks(address, "fc0g1");  // g refused, a-f upper-cased, 4 digits at most
        QCOMPARE(address->text(), QStringLiteral("FC01"));

        b.Click("readByDeviceRadio");
        QVERIFY(!address->isEnabled() && !length->isEnabled());
        b.Click("readByAddressRadio");
        QVERIFY(address->isEnabled() && length->isEnabled());
    }

    void typingFilters() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Click("useProductInfoCheck");
        auto* serial = b.Find<QLineEdit>("serialEdit");
        serial->clear();
        QTest::keyClicks(serial, "25x5");
        QCOMPARE(serial->text(), QStringLiteral("255"));
        QCOMPARE(b.Window().SerialCounter(), 255u);
        b.Click("hexRadio");
        QCOMPARE(serial->text(), QStringLiteral("FF"));
        QTest::keyClicks(serial, "a");
        QCOMPARE(b.Window().SerialCounter(), 0xFFAu);
        b.Click("decRadio");
        QCOMPARE(serial->text(), QStringLiteral("4090"));
        serial->clear();
        QTest::keyClicks(serial, "4294967296");  // one past the counter: last digit refused
        QCOMPARE(serial->text(), QStringLiteral("429496729"));

        // The record holds 19 GBK bytes: nine Chinese characters and one letter fit.
        auto* name = b.Find<QLineEdit>("productNameEdit");
        name->clear();
        name->insert(QString::fromUtf8("中文中文中文中文中A"));
        QCOMPARE(name->text().size(), 10);
        name->insert(QStringLiteral("B"));
        QCOMPARE(name->text(), QString::fromUtf8("中文中文中文中文中A"));

        auto* info = b.Find<QLineEdit>("infoAddressEdit");
        info->clear();
        QTest::keyClicks(info, "1g0e8f");
        QCOMPARE(info->text(), QStringLiteral("10E8"));

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
        const QString path = b.WriteFile("prog.txt", "@F000\r\n31 40 00 0A\r\n@FFF2\r\n00 F0\r\n@FFFE\r\n00 F0\r\nq\r\n");
        b.dialogs.openAnswers = {path};
        b.Click("loadButton");
        QCOMPARE(b.dialogs.choices.back().proposedName, QStringLiteral("*.TXT"));
        QVERIFY(b.dialogs.choices.back().filter.contains(QStringLiteral("*.TXT")));
        QVERIFY(b.Find<QPushButton>("runButton")->isEnabled());
        QVERIFY(b.Find<QPushButton>("saveAsButton")->isEnabled());
        QVERIFY(!b.Find<QPushButton>("downloadButton")->isEnabled());
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("KX_VELDRAN V02.73A - prog.txt"));
        QCOMPARE(b.Pane(), Msg(0) + path + Msg(1) + QStringLiteral("8\n"));
        QCOMPARE(b.Window().Image().WordAt(0xF002), 0x0A00);
        const auto& inUse = b.Window().Words().vectorInUse;
        for (int i = 0; i < 16; ++i) QCOMPARE(inUse[static_cast<std::size_t>(i)] != 0, i == 9 || i == 15);

        // A refused file changes nothing but the pane.
        b.dialogs.openAnswers = {b.WriteFile("bad.txt", "\r\n@F000\r\n12\r\nq\r\n")};
        b.Click("loadButton");
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
            auto* field = modal ? modal->findChild<QLineEdit*>("identificationField") : nullptr;
            seen << (field ? field->text() : QString());
            if (modal) modal->close();
        };
        QTimer::singleShot(0, closeAbout);
        b.Click("aboutButton");
        QVERIFY(!b.Window().actions().isEmpty());
        QTimer::singleShot(0, closeAbout);
        b.Window().actions().front()->trigger();
        QCOMPARE(seen, QStringList({QStringLiteral("KX_VELDRAN V02.73A"), QStringLiteral("KX_VELDRAN V02.73A")}));

        b.Click("helpButton");
        QCOMPARE(b.dialogs.opened.size(), 1);
        QVERIFY(b.dialogs.opened.front().endsWith(QStringLiteral("/KX_VELDRAN.pdf")));
    }

    void operationDropsInputToItsWindowOnly() {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("Run"), &window);
        QPlainTextEdit pane(&window);
        QProgressBar bar(&window);
        QPushButton question(QStringLiteral("OK"));  // another window, like a message box
        window.show();
        question.show();
        int runs = 0;
        int answers = 0;
        QObject::connect(button, &QPushButton::clicked, [&runs] { ++runs; });
        QObject::connect(&question, &QPushButton::clicked, [&answers] { ++answers; });
        ScriptedDialogs dialogs;
        ManualClock clock;
        sim::SimulatedPorts ports(clock);
        link::ProgrammerLink link(ports, clock);
        app::WindowOutput out(UiLanguage::English, clock, pane, bar, dialogs, window);
        {
            app::OperationScope scope(window, link, out);
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::mouseClick(&question, Qt::LeftButton);
        }
        QCOMPARE(runs, 0);
        QCOMPARE(answers, 1);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(runs, 1);
    }
};

QTEST_MAIN(WindowRulesTest)
#include "window_rules_test.moc"
