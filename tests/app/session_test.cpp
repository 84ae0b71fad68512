// Whole sessions of the window against the in-process simulated programmer.

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
    for (std::uint32_t a = 0xFC00; a < 0xFC40; ++a)
        code.Set(a, static_cast<std::uint8_t>(a * 7 % 251));
    code.Set(0xFFFF, 0xFC);
    code.Set(0xFFFE, 0x00);
    return image::RenderImageText(code, 0x10000);
}

std::uint32_t StoredSerial(const WindowBench& b) {
    return settings::LoadSettingsFile(b.SettingsPath().toStdString()).settings.productNum;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

  private slots:
    void loadRunReadSave() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open());
        QVERIFY(!b.Find<QPushButton>("statusButton")->isEnabled() &&
                b.Find<QPushButton>("downloadButton")->isEnabled());
        QCOMPARE(b.Pane(), Msg(10));

        const std::string program = ProgramText();
        const QString saved = b.dir.filePath(QStringLiteral("back.TXT"));
        b.dialogs.fileAnswers = {b.WriteFile("prog.TXT", program),
                                 b.WriteFile("other.TXT", "@F000\r\n11\r\nq\r\n"), saved};
        b.Click("loadButton");
        b.Click("runButton");
        QCOMPARE(box.Target()->ByteAt(0xFC01), b.Window().Image().At(0xFC01));

        b.Click("loadButton");  // something else in the image, so the read must replace it
        b.Click("readButton");
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("Code1.txt - KX_VELDRAN V02.73A"));
        b.Click("saveAsButton");
        QCOMPARE(b.dialogs.choices.back().proposedName, QStringLiteral("Code1.TXT"));
        QCOMPARE(b.ReadFile(saved), program);
    }

    void serialCounterIsStoredAfterEachRun() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open());
        b.dialogs.fileAnswers = {b.WriteFile("prog.TXT", ProgramText())};
        b.Click("loadButton");
        b.Click("useProductInfoCheck");
        b.Click("autoIncrementCheck");
        b.Click("runButton");
        QCOMPARE(b.Find<QLineEdit>("serialEdit")->text(), QStringLiteral("12346"));
        QCOMPARE(StoredSerial(b), 12346u);  // on disk before any close
        QCOMPARE(box.Target()->ByteAt(0x1014), 12345 & 0xFF);
        b.Click("runButton");
        QCOMPARE(StoredSerial(b), 12347u);
    }

    void closeDuringAnOperationWaitsForItsEnd() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open());
        b.dialogs.fileAnswers = {b.WriteFile("prog.TXT", ProgramText())};
        b.Click("loadButton");
        b.Click("eraseCheck");  // a choice only the save at close stores
        b.dialogs.confirmAnswers = {true};
        b.dialogs.onQuestion = [&b] { b.Window().close(); };
        b.Click("downloadButton");
        QVERIFY(b.Pane().contains(Msg(48)));
        QVERIFY(box.SetupRecord().has_value());
        QVERIFY(!b.Window().isVisible());
        QVERIFY(!settings::LoadSettingsFile(b.SettingsPath().toStdString()).settings.erase);
    }

    void unpluggedBoxReturnsToSearching() {
        WindowBench b;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open(20));
        box.Vanish(b.ports.NowUs());
        QTRY_VERIFY(b.Find<QPushButton>("statusButton")->isEnabled());
        QCOMPARE(b.Find<QPushButton>("statusButton")->text(), Msg(43));
        QCOMPARE(b.Pane(), Msg(9));
        box.Reattach(b.ports.NowUs());
        b.Click("statusButton");
        QCOMPARE(b.Find<QPushButton>("statusButton")->text(), Msg(44));
    }
};

QTEST_MAIN(SessionTest)
#include "session_test.moc"
