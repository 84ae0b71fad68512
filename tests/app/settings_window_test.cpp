// The settings through the window: defaults, the round trip over a close and a restart, and
// the faults fixed on the way (every close saves, write failures are reported).

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/window_output.h"
#include "app_test_support.h"
#include "settings/settings_file.h"

using namespace kx;
using namespace kx::app::testing;

namespace {

settings::Settings Stored(const QString& path) {
    return settings::LoadSettingsFile(path.toStdString()).settings;
}

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void defaultsShownAndWritten() {
        WindowBench b;
        QVERIFY(b.Open());
        QVERIFY(b.Find<QCheckBox>("eraseCheck")->isChecked() &&
                !b.Find<QCheckBox>("soundCheck")->isChecked());
        QCOMPARE(b.Find<QLineEdit>("serialEdit")->text(), QStringLiteral("12345"));
        QCOMPARE(b.Find<QLineEdit>("infoAddressEdit")->text(), QStringLiteral("1000"));
        b.Close();
        QCOMPARE(Stored(b.SettingsPath()), settings::Settings{});
    }

    void choicesSurviveEscapeAndRestart() {
        WindowBench b;
        b.WriteFile("KX_VELDRAN.ini", "[number]\r\ninfo_addr=4328\r\ndevice=100\r\n");
        QVERIFY(b.Open());
        QCOMPARE(b.Find<QLineEdit>("infoAddressEdit")->text(), QStringLiteral("10e8"));
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
        const settings::Settings s = Stored(b.SettingsPath());
        QVERIFY(!s.erase && s.beep && s.productId);
        QCOMPARE(s.infoAddr, 0x10E8);
        QCOMPARE(s.productName, std::string("ABC中文"));

        b.Close();
        QVERIFY(b.Open());
        QCOMPARE(b.Find<QLineEdit>("serialEdit")->text(), QStringLiteral("FF"));
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
        QTest::keyClick(serial, Qt::Key_Return);
        QCOMPARE(b.Window().result(), int(QDialog::Accepted));
        QCOMPARE(Stored(b.SettingsPath()).productNum, 777u);
    }

    void unwritableSettingsAreReported() {
        WindowBench b;
        // A folder that is a file cannot be created, not even by root.
        const QString blocker = b.WriteFile("blocker", "");
        ManualClock clock;
        sim::SimulatedPorts ports(clock);
        {
            app::MainDialog window(
                {.ports = ports,
                 .clock = clock,
                 .dialogs = b.dialogs,
                 .settingsPath = (blocker + QStringLiteral("/KX_VELDRAN.ini")).toStdString()});
            window.show();
            QVERIFY(QTest::qWaitFor([&window] { return window.Searched(); }));
            window.close();
        }
        QCOMPARE(b.dialogs.told.size(), 1);
        QVERIFY(b.dialogs.told.front().contains(QStringLiteral("could not be saved")));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
