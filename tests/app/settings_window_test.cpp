// The settings through the window: defaults, the round trip over a close and a restart, and
// the faults fixed on the way (every close saves, write failures are reported).

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "app/window_output.h"
#include "app_test_support.h"
#include "settings/settings_file.h"

using namespace kx;
using namespace kx::app::testing;

namespace {

settings::Settings Stored(const WindowBench& b) {
    return settings::LoadSettingsFile(b.SettingsPath().toStdString()).settings;
}

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void defaultsThenAllKeysOnFirstClose() {
        WindowBench b;
        QVERIFY(b.Open());
        for (const char* on : {"eraseCheck", "programCheck", "verifyCheck", "runAfterCheck", "supplyPowerCheck"}) {
            QVERIFY2(b.Find<QCheckBox>(on)->isChecked(), on);
        }
        for (const char* off : {"protectInfoCheck", "useProductInfoCheck", "autoIncrementCheck", "soundCheck"}) {
            QVERIFY2(!b.Find<QCheckBox>(off)->isChecked(), off);
        }
        QCOMPARE(b.Find<QLineEdit>("productNameEdit")->text(), QStringLiteral("KX_VELDRAN"));
        QCOMPARE(b.Find<QLineEdit>("serialEdit")->text(), QStringLiteral("12345"));
        QCOMPARE(b.Find<QLineEdit>("infoAddressEdit")->text(), QStringLiteral("1000"));
        QVERIFY(b.Find<QRadioButton>("readByAddressRadio")->isChecked());
        QCOMPARE(b.Find<QComboBox>("deviceList")->currentText(), QStringLiteral("F1101"));
        b.Close();
        const std::string text = b.ReadFile(b.SettingsPath());
        QVERIFY(text.find("[BOOL]") < text.find("[STRING]") && text.find("[STRING]") < text.find("[number]"));
        for (const char* key : {"id_increase=0", "supply_vcc=1", "save_info_flash=0", "erase=1", "prog=1",
                                "verify=1", "product_id=0", "run=1", "Beep=0", "product_num_style=0",
                                "read_style=0", "product_name=KX_VELDRAN", "product_num=12345",
                                "info_addr=4096", "device=0"}) {
            QVERIFY2(text.find(key) != std::string::npos, key);
        }
    }

    void choicesSurviveEscapeAndRestart() {
        WindowBench b;
        b.WriteFile("KX_VELDRAN.ini", "; kept\r\n[number]\r\ninfo_addr=4328\r\ndevice=100\r\n[Mine]\r\nx=1\r\n");
        QVERIFY(b.Open());
        QCOMPARE(b.Find<QLineEdit>("infoAddressEdit")->text(), QStringLiteral("10e8"));
        QCOMPARE(b.Find<QComboBox>("deviceList")->currentIndex(), 0);
        b.Click("eraseCheck");
        b.Click("soundCheck");
        b.Click("useProductInfoCheck");
        b.Click("hexRadio");
        auto* serial = b.Find<QLineEdit>("serialEdit");
        serial->clear();
        QTest::keyClicks(serial, "ff");
        b.Find<QLineEdit>("productNameEdit")->setText(QString::fromUtf8("ABC中文"));
        b.Click("readByDeviceRadio");
        b.Find<QComboBox>("deviceList")->setCurrentIndex(99);
        QTest::keyClick(&b.Window(), Qt::Key_Escape);
        QVERIFY(!b.Window().isVisible());

        const settings::Settings s = Stored(b);
        QVERIFY(!s.erase && s.beep && s.productId);
        QCOMPARE(s.productNum, 255u);
        QCOMPARE(s.productName, std::string("ABC中文"));
        QCOMPARE(s.infoAddr, 0x10E8);
        QCOMPARE(s.device, 99);
        const std::string text = b.ReadFile(b.SettingsPath());
        QVERIFY(text.find("; kept") != std::string::npos && text.find("x=1") != std::string::npos);

        b.Close();
        QVERIFY(b.Open());
        QCOMPARE(b.Find<QLineEdit>("serialEdit")->text(), QStringLiteral("FF"));
        QVERIFY(b.Find<QRadioButton>("hexRadio")->isChecked());
        QVERIFY(b.Find<QLineEdit>("serialEdit")->isEnabled());
        QVERIFY(b.Find<QRadioButton>("readByDeviceRadio")->isChecked());
        QVERIFY(!b.Find<QLineEdit>("readAddressEdit")->isEnabled());
        QCOMPARE(b.Find<QComboBox>("deviceList")->currentIndex(), 99);
        QCOMPARE(b.Find<QLineEdit>("productNameEdit")->text(), QString::fromUtf8("ABC中文"));
        QVERIFY(b.Window().Output().SoundOn());
    }

    void enterEndsTheWindowAndStillSaves() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Click("useProductInfoCheck");
        auto* serial = b.Find<QLineEdit>("serialEdit");
        serial->clear();
        QTest::keyClicks(serial, "777");
        QCOMPARE(b.Window().SerialCounter(), 777u);
        QTest::keyClick(serial, Qt::Key_Return);
        QVERIFY(!b.Window().isVisible());
        QCOMPARE(b.Window().result(), int(QDialog::Accepted));
        QCOMPARE(Stored(b).productNum, 777u);
    }

    void unwritableSettingsAreReported() {
        WindowBench b;
        QVERIFY(b.Open());
        b.Close();
        // A settings folder that is a file cannot be created, even by root.
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile(blocker).open(QIODevice::WriteOnly);
        ScriptedDialogs dialogs;
        ManualClock clock;
        sim::SimulatedPorts ports(clock);
        {
            app::MainDialog window({.ports = ports,
                                    .clock = clock,
                                    .dialogs = dialogs,
                                    .settingsPath = (blocker + QStringLiteral("/KX_VELDRAN.ini")).toStdString(),
                                    .language = UiLanguage::English});
            window.show();
            QVERIFY(QTest::qWaitFor([&window] { return window.Searched(); }));
            window.close();
        }
        QCOMPARE(dialogs.told.size(), 1);
        QVERIFY(dialogs.told.front().contains(QStringLiteral("could not be saved")));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
