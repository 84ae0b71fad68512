// Whole sessions of the window: against the in-process simulated programmer, and with its
// settings over closes and restarts (every close saves; a failed write is reported).

#include <QProgressBar>

#include "app/password_dialog.h"
#include "app/window_output.h"
#include "app_test_support.h"
#include "common/sha256.h"
#include "image/code_image.h"
#include "image/titxt_writer.h"
#include "messages/text_catalogue.h"
#include "production/csv.h"
#include "settings/serial_counter.h"
#include "sound/completion_tones.h"

using namespace kx;
using namespace kx::app::testing;

namespace {

std::string Digest(const std::string& bytes) {
    return Sha256Hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

// A small F1101 program with its reset vector, as TI-TXT.
std::string ProgramText() {
    image::CodeImage code;
    for (std::uint32_t a = 0xFC00; a < 0xFC40; ++a)
        code.Set(a, static_cast<std::uint8_t>(a * 7 % 251));
    code.Set(0xFFFF, 0xFC);
    code.Set(0xFFFE, 0x00);
    return image::RenderImageText(code, 0x10000);
}

// Opens the window on one box and loads ProgramText(); null when the window did not open.
sim::Box* OpenWithProgram(WindowBench& b) {
    sim::Box& box = b.ports.AddBox(0);
    if (!b.Open()) return nullptr;
    b.dialogs.fileAnswers = {b.WriteFile("prog.TXT", ProgramText())};
    b.Click("loadButton");
    return &box;
}

}  // namespace

class SessionTest : public QObject {
    Q_OBJECT

  private slots:
    void loadRunReadSave() {
        WindowBench b;
        sim::Box* box = OpenWithProgram(b);
        QVERIFY(box);
        QVERIFY(!b.Enabled("statusButton") && b.Enabled("downloadButton"));
        b.Click("runButton");
        QVERIFY(b.Pane().contains(Msg(24)));
        QCOMPARE(box->Target()->ByteAt(0xFC01), b.Window().Image().At(0xFC01));
        QVERIFY(b.sound.played.empty());  // the beep option is off
        // Nothing to program from 0x1000 up: the bar ends still and full, not busy.
        b.dialogs.fileAnswers = {b.WriteFile("low.TXT", "@0200\r\n11 22\r\nq\r\n")};
        b.Click("loadButton");
        b.Click("runButton");
        auto* bar = b.Find<QProgressBar>("progressBar");
        QVERIFY(b.Pane().contains(Msg(24)));
        QVERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        // Data the device cannot hold is named first; the run goes on with what fits.
        b.dialogs.fileAnswers = {b.WriteFile("wide.TXT", "@0200\r\n11 22\r\n" + ProgramText())};
        b.Click("loadButton");
        b.Click("beepCheck");
        b.Click("runButton");
        QCOMPARE(b.sound.played.size(), 1u);
        QVERIFY(b.sound.played.front() == sound::ToneSamples());
        QVERIFY(b.Pane().startsWith(QStringLiteral("Warning: 2 bytes of the code lie outside")));
        QVERIFY(b.Pane().contains(QStringLiteral("2 bytes in 0x0200..0x0201, below 0x1000")));
        QVERIFY(b.Pane().contains(Msg(24)));

        const QString saved = b.dir.filePath(QStringLiteral("back.TXT"));
        b.dialogs.fileAnswers = {b.WriteFile("other.TXT", "@F000\r\n11\r\nq\r\n"), saved};
        b.Click("loadButton");  // something else in the image, so the read must replace it
        // A read refused half way leaves image, view, title and buttons as they were.
        const auto shown = [&b] {
            return b.Find<QPlainTextEdit>("codeView")->toPlainText() + b.Window().windowTitle();
        };
        const QString before = shown();
        box->Faults().Add({0x14, box->Faults().Count(0x14) + 2, sim::FaultAction::Nak});
        b.Click("readButton");
        QVERIFY(b.Pane().endsWith(Msg(41)));
        QVERIFY(b.Window().Image().At(0xF000) == 0x11 && b.Window().Image().At(0xFC01) == 0xFF);
        QCOMPARE(shown(), before);
        QVERIFY(b.Enabled("runButton") && b.Enabled("saveAsButton"));
        b.Click("readButton");
        QCOMPARE(b.Window().windowTitle(), QStringLiteral("Code1.txt - KX_VELDRAN V02.73A"));
        // OK in the password dialog keeps the read chip's vectors, not other.TXT's (none):
        // the reset vector is locked and stays in the image.
        bool resetLocked = false;
        QTimer::singleShot(0, [&resetLocked] {
            if (auto* dialog = qobject_cast<app::PasswordDialog*>(qApp->activeModalWidget())) {
                resetLocked = !dialog->VectorField(15)->isEnabled();
                dialog->accept();
            }
        });
        b.Click("passwordButton");
        QVERIFY(resetLocked);  // and the saved view below holds the chip's vectors
        b.Click("saveAsButton");
        QCOMPARE(b.ReadFile(saved), ProgramText());

        // Pulled during a read: back to searching at once.
        box->Faults().Add({0x14, box->Faults().Count(0x14) + 1, sim::FaultAction::Vanish});
        b.Click("readButton");
        QVERIFY(b.Enabled("statusButton"));
        QCOMPARE(b.Text("statusButton"), Msg(43));
    }

    void serialStoredAfterEachRunAndCloseWaitsForTheOperation() {
        WindowBench b;
        sim::Box* box = OpenWithProgram(b);
        QVERIFY(box);
        b.Click("useProductInfoCheck");
        b.Click("autoIncrementCheck");
        b.Click("runButton");
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("12346"));
        QCOMPARE(b.Stored().serial, 12346u);  // on disk before any close
        QCOMPARE(box->Target()->ByteAt(0x1014), 12345 & 0xFF);
        // Other programs take numbers from the same file while the window is open: the next
        // chip gets the file's number, and the pane says why it is not the one shown.
        const std::string path = app::ToUtf8(b.settingsPath);
        const auto take = [&] {
            return settings::ReserveSerial(path, std::nullopt, UiLanguage::English).ok;
        };
        for (int i = 0; i < 3; ++i) QVERIFY(take());
        b.Click("runButton");
        QCOMPARE(box->Target()->ByteAt(0x1014), 12349 & 0xFF);
        QVERIFY(b.Pane().contains(QStringLiteral("moved from 12346 to 12349")));
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("12350"));
        QCOMPARE(b.Stored().serial, 12350u);
        QVERIFY(take());  // and once more after that

        // A close asked for during an operation says so, waits for the operation's end, and
        // still saves.
        b.Click("eraseCheck");  // a choice only the save at close stores
        b.dialogs.confirmAnswers = {true};
        b.dialogs.onQuestion = [&b] { QTimer::singleShot(0, &b.Window(), &QWidget::close); };
        b.Click("downloadButton");
        QVERIFY(b.Pane().contains(Msg(48)));
        QVERIFY(b.Pane().contains(QStringLiteral("The window closes when the current operation")));
        QVERIFY(box->SetupRecord().has_value());
        QVERIFY(!b.Window().isVisible());
        QVERIFY(!b.Stored().erase);
        QCOMPARE(b.Stored().serial, 12351u);  // the window's 12350 would be stale
    }

    void counterThatCannotBeKeptRefusesTheRunBeforeTheBox() {
        WindowBench b(UiLanguage::Chinese);
        b.WriteFile("KX_VELDRAN.ini",
                    "[BOOL]\nproduct_id=1\nid_increase=1\n[number]\nproduct_num=500\n");
        const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(b.settingsPath, readOnly));
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open());
        b.dialogs.fileAnswers = {b.WriteFile("prog.TXT", ProgramText()),
                                 b.dir.filePath("prog.TXT")};
        b.Click("loadButton");
        const auto sent = box.GetTrace().ReceivedCommands().size();
        b.Click("runButton");  // the number could not be recorded: said before, not after
        QVERIFY(b.Pane().startsWith(QString::fromUtf8("未进行编程：序列号无法保存。")));
        QVERIFY(b.Pane().contains(QString::fromUtf8("是只读的")));
        QCOMPARE(box.GetTrace().ReceivedCommands().size(), sent);

        // Writable again, but the counter was spoilt while the window was open.
        QVERIFY(QFile::setPermissions(b.settingsPath, readOnly | QFileDevice::WriteOwner));
        b.WriteFile("KX_VELDRAN.ini",
                    "[BOOL]\nproduct_id=1\nid_increase=1\n[number]\nproduct_num=0x100\n");
        b.Click("runButton");
        QVERIFY(b.Pane().contains(QString::fromUtf8("不进行编程")));
        QCOMPARE(b.Text("serialEdit"), QString());
        QCOMPARE(box.GetTrace().ReceivedCommands().size(), sent);
        b.Close();  // the unreadable counter is kept, not replaced by a guess
        QVERIFY(b.ReadFile(b.settingsPath).find("product_num=0x100") != std::string::npos);

        QVERIFY(b.Open());
        QVERIFY(b.Pane().contains(QString::fromUtf8("序列号无法读取")));
        b.Click("loadButton");
        b.Retype("serialEdit", "77");
        b.Click("runButton");
        QCOMPARE(box.Target()->ByteAt(0x1014), 77);
        QCOMPARE(b.Stored().serial, 78u);
    }

    void unpluggedBoxReturnsToSearchingAndComesBackByItself() {
        WindowBench polled;  // no device watcher: the port is checked every 20 ms
        sim::Box& first = polled.ports.AddBox(0);
        QVERIFY(polled.Open(20));
        first.Vanish(polled.ports.NowUs());
        QTRY_VERIFY(polled.Enabled("statusButton"));

        // With device reports the window does not poll; a departure returns it to searching,
        // an arrival while searching finds the box again once things settled.
        FakeDeviceWatcher watcher;
        WindowBench b;
        b.devices = &watcher;
        sim::Box& box = b.ports.AddBox(0);
        QVERIFY(b.Open(20));
        const auto oneSearch = box.GetTrace().ReceivedCommands().size();
        box.Vanish(b.ports.NowUs());
        QTest::qWait(100);
        QVERIFY(!b.Enabled("statusButton"));
        emit watcher.Departed();
        QVERIFY(b.Enabled("statusButton"));
        QCOMPARE(b.Pane(), Msg(9));
        box.Reattach(b.ports.NowUs());
        const auto before = box.GetTrace().ReceivedCommands().size();
        emit watcher.Arrived();
        emit watcher.Arrived();              // a second port of the adapter restarts the wait
        QVERIFY(b.Enabled("statusButton"));  // not before the devices settled
        QTRY_COMPARE(b.Text("statusButton"), Msg(44));
        QCOMPARE(box.GetTrace().ReceivedCommands().size(), before + oneSearch);
        emit watcher.Arrived();  // connected: no new search
        QTest::qWait(100);
        QCOMPARE(box.GetTrace().ReceivedCommands().size(), before + oneSearch);
    }

    void defaultsThenChoicesSurviveEscapeEnterAndRestart() {
        WindowBench b;
        QVERIFY(b.Open());
        QVERIFY(b.On("eraseCheck") && !b.On("beepCheck"));
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("12345"));
        QCOMPARE(b.Text("infoAddressEdit"), QStringLiteral("1000"));
        b.Close();
        QCOMPARE(b.Stored(), settings::Settings{});

        b.WriteFile("KX_VELDRAN.ini", "[number]\r\ninfo_addr=4328\r\ndevice=100\r\n");
        QVERIFY(b.Open());
        QCOMPARE(b.Text("infoAddressEdit"), QStringLiteral("10e8"));
        for (const char* name :
             {"eraseCheck", "beepCheck", "useProductInfoCheck", "hexRadio", "readByDeviceRadio"})
            b.Click(name);
        b.Retype("serialEdit", "ff");
        b.Find<QLineEdit>("productNameEdit")->setText(QString::fromUtf8("ABC中文"));
        b.SelectDevice(99);
        QTest::keyClick(&b.Window(), Qt::Key_Escape);
        QVERIFY(!b.Window().isVisible());
        const settings::Settings s = b.Stored();
        QVERIFY(!s.erase && s.beep && s.useProductInfo);
        QCOMPARE(s.infoAddress, 0x10E8);
        QCOMPARE(s.productName, std::string("ABC中文"));

        b.Close();
        QVERIFY(b.Open());
        QCOMPARE(b.Text("serialEdit"), QStringLiteral("FF"));
        QVERIFY(!b.Enabled("readAddressEdit"));
        QCOMPARE(b.Find<QComboBox>("deviceList")->currentIndex(), 99);
        QCOMPARE(b.Text("productNameEdit"), QString::fromUtf8("ABC中文"));
        QVERIFY(b.Window().Output().BeepOn());
        // Enter ends the window too, and saves.
        b.Retype("serialEdit", "1a");
        QTest::keyClick(b.Find("serialEdit"), Qt::Key_Return);
        QCOMPARE(b.Window().result(), int(QDialog::Accepted));
        QCOMPARE(b.Stored().serial, 0x1Au);
    }

    // Each run adds its row; after a read the image is named by the file Save writes of it.
    void productionLogGetsARowPerRunAndSaysWhenItCannot() {
        WindowBench b(UiLanguage::Chinese);
        b.WriteFile("KX_VELDRAN.ini", "[STRING]\nproduction_log=line.csv\n");
        QVERIFY(OpenWithProgram(b));
        b.Click("runButton");
        const std::string other = "@F000\r\n11\r\nq\r\n";
        const QString saved = b.dir.filePath(QStringLiteral("read.TXT"));
        b.dialogs.fileAnswers = {b.WriteFile("other.TXT", other), saved};
        b.Click("loadButton");
        b.Click("readButton");  // the image is the chip's now, not other.TXT
        b.Click("saveAsButton");
        b.Click("runButton");
        const QString log = b.dir.filePath(QStringLiteral("line.csv"));
        const auto rows = production::ParseCsv(b.ReadFile(log));
        QVERIFY(rows && rows->size() == 3);
        for (const auto& row : {(*rows)[1], (*rows)[2]})
            QCOMPARE(std::tuple(row[3], row[9], row[10]),
                     std::tuple("KX_VELDRAN V02.73A", "34", "目标MCU开始运行..."));
        QCOMPARE((*rows)[1][7], Digest(ProgramText()));
        QCOMPARE((*rows)[2][7], Digest(b.ReadFile(saved)));
        QVERIFY((*rows)[2][7] != Digest(other));

        // The pane says, in the user's language, that the unit has no row.
        QVERIFY(QFile::remove(log) && QDir(b.dir.path()).mkdir(QStringLiteral("line.csv")));
        b.Click("runButton");
        QVERIFY(b.Pane().contains(Msg(34, UiLanguage::Chinese)) &&
                b.Pane().contains(
                    app::SayQ(b.language, Text::ProductionLogIsFolder, {app::ToUtf8(log)})) &&
                b.Pane().contains(app::SayQ(b.language, Text::ProductionLogRowMissing)));
    }

    void unwritableSettingsAreReported() {
        WindowBench b;
        // A folder that is a file cannot be created, not even by root.
        b.settingsPath = b.WriteFile("blocker", "") + QStringLiteral("/KX_VELDRAN.ini");
        QVERIFY(b.Open());
        b.Close();
        QCOMPARE(b.dialogs.told.size(), 1);
        QVERIFY(b.dialogs.told.front().contains(QStringLiteral("could not be saved")));
    }
};

QTEST_MAIN(SessionTest)
#include "session_test.moc"
