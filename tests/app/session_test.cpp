// Whole sessions of the window against the in-process simulated programmer.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app_test_support.h"
#include "image/code_image.h"
#include "image/titxt_writer.h"
#include "settings/settings_file.h"

using namespace kx;
using namespace kx::app::testing;

namespace {

// A small F1101 program with its reset vector, as TI-TXT.
std::string ProgramText() {
    image::CodeImage code;
    for (std::uint32_t a = 0xFC00; a < 0xFC40; ++a) code.Set(a, static_cast<std::uint8_t>(a * 7 % 251));
    code.Set(0xFFFE, 0x00);
    code.Set(0xFFFF, 0xFC);
    return image::RenderImageText(code, 0x10000);
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

private slots:
    void loadRunReadSave() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open());
        auto* status = b.Find<QPushButton>("statusButton");
        QCOMPARE(status->text(), Msg(44));
        QVERIFY(!status->isEnabled());
        QVERIFY(b.Find<QPushButton>("downloadButton")->isEnabled());
        QVERIFY(!b.Find<QPushButton>("updateFirmwareButton")->isEnabled());
        QCOMPARE(b.Pane(), Msg(10));

        const std::string program = ProgramText();
        b.dialogs.openAnswers = {b.WriteFile("prog.TXT", program)};
        b.Click("loadButton");
        b.Click("runButton");
        QVERIFY2(b.Pane().contains(Msg(24)) && b.Pane().contains(Msg(27)), qPrintable(b.Pane()));
        QCOMPARE(box.Target()->ByteAt(0xFC01), b.Window().Image().At(0xFC01));
        QCOMPARE(box.Target()->ByteAt(0xFFFF), 0xFC);
        QVERIFY(!b.Window().OperationRunning());

        // Read the chip back into a cleared image, then save what the view shows.
        b.dialogs.openAnswers = {b.WriteFile("other.TXT", "@F000\r\n11 22\r\nq\r\n")};
        b.Click("loadButton");
        b.Click("readButton");
        QVERIFY2(b.Pane().contains(Msg(42)), qPrintable(b.Pane()));
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("Code1.txt - KX_VELDRAN V02.73A"));
        const QString saved = b.TempFile(QStringLiteral("back.TXT"));
        b.dialogs.saveAnswers = {saved};
        b.Click("saveAsButton");
        QCOMPARE(b.dialogs.choices.back().proposedName, QStringLiteral("Code1.TXT"));
        QCOMPARE(b.ReadFile(saved), program);
    }

    void serialCounterIsStoredAfterEachRun() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open());
        b.dialogs.openAnswers = {b.WriteFile("prog.TXT", ProgramText())};
        b.Click("loadButton");
        b.Click("useProductInfoCheck");
        b.Click("autoIncrementCheck");
        const auto stored = [&b] {
            return settings::LoadSettingsFile(b.SettingsPath().toStdString()).settings.productNum;
        };
        b.Click("runButton");
        QVERIFY2(b.Pane().contains(Msg(31)), qPrintable(b.Pane()));
        QCOMPARE(b.Window().SerialCounter(), 12346u);
        QCOMPARE(stored(), 12346u);  // on disk before any close
        QCOMPARE(b.Find<QLineEdit>("serialEdit")->text(), QStringLiteral("12346"));
        QCOMPARE(box.Target()->ByteAt(0x1014), 12345 & 0xFF);  // the record holds the old number
        b.Click("runButton");
        QCOMPARE(stored(), 12347u);
    }

    void unpluggedBoxReturnsToSearching() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open(20));
        QVERIFY(!b.Find<QPushButton>("statusButton")->isEnabled());
        box.Vanish(b.ports.NowUs());
        QTRY_VERIFY(b.Find<QPushButton>("statusButton")->isEnabled());
        QCOMPARE(b.Find<QPushButton>("statusButton")->text(), Msg(43));
        QCOMPARE(b.Pane(), Msg(9));

        box.Reattach(b.ports.NowUs());
        b.Click("statusButton");
        QCOMPARE(b.Find<QPushButton>("statusButton")->text(), Msg(44));
        QCOMPARE(b.Window().StoredPortIndex(), 0u);
    }

    void olderFirmwareIsOfferedAnUpdate() {
        WindowBench b;
        b.ports.AddSilentPort(0);
        sim::BoxConfig older;
        older.identification = "KX_VELDRAN V02.72A";
        b.ports.AddBox(1, older);
        QVERIFY(b.Open());
        QCOMPARE(b.Window().StoredPortIndex(), 1u);
        auto* update = b.Find<QPushButton>("updateFirmwareButton");
        QVERIFY(update->isEnabled());
        b.Click("updateFirmwareButton");  // the question is answered Cancel
        QVERIFY(update->isEnabled());
        b.dialogs.confirmAnswers = {true};
        b.Click("updateFirmwareButton");
        QVERIFY2(b.Pane().contains(Msg(53)), qPrintable(b.Pane()));
        QVERIFY(!update->isEnabled());
    }
};

QTEST_MAIN(SessionTest)
#include "session_test.moc"
