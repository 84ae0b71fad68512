// kxveldran-cli run as a program against kxveldran-sim on a pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "cli_test_helpers.h"
#include "common/sha256.h"
#include "image/code_image.h"
#include "image/password_file.h"
#include "image/titxt_writer.h"
#include "production/csv.h"

namespace kx::cli::test {
namespace {

using Ranges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // start, length

// A TI-TXT file as the program itself writes them, with varied bytes (no blank lines).
std::string ImageText(const Ranges& ranges, std::uint32_t imageEnd = 0x10000) {
    auto image = std::make_unique<image::CodeImage>();
    std::uint32_t x = 1;
    for (const auto& [start, length] : ranges) {
        for (std::uint32_t a = start; a < start + length; ++a) {
            x = x * 1103515245u + 12345u;
            image->Set(a, static_cast<std::uint8_t>((x >> 16) & 0x7F));
        }
    }
    return image::RenderImageText(*image, imageEnd);
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class CliEndToEnd : public ::testing::Test {
  protected:
    // A simulator for the following Cli() calls, in place of any earlier one.
    bool StartSim(const std::vector<std::string>& args) {
        sim_.reset();
        sim_ = std::make_unique<SimProcess>(args);
        port_ = sim_->PtyPath();
        return sim_->Started();
    }
    ProcessResult Cli(const std::vector<std::string>& args) {
        return RunCli(Plus(args, {"--port", port_, "--settings", settings_, "--lang", lang_}),
                      dir_.Path(), standIn_);
    }
    // Runs the command and checks its exit status and what stdout and stderr hold.
    ProcessResult Expect(const std::vector<std::string>& args, int exitCode, const std::string& out,
                         const std::string& err = {}) {
        ProcessResult r = Cli(args);
        EXPECT_EQ(r.exitCode, exitCode) << args[0] << "\n" << r.out << r.err;
        EXPECT_TRUE(out.empty() || Has(r.out, out)) << out << " in:\n" << r.out << r.err;
        EXPECT_TRUE(err.empty() || Has(r.err, err)) << err << " in:\n" << r.out << r.err;
        return r;
    }
    std::string Serial() {
        std::smatch m;
        const std::string ini = ReadFile(settings_);
        return std::regex_search(ini, m, std::regex("product_num=(\\d*)")) ? m[1].str() : "?";
    }

    TempDir dir_;
    std::string settings_ = dir_.File("KX_VELDRAN.ini");
    std::string port_ = dir_.File("no-such-tty");
    std::string lang_ = "en";
    bool standIn_ = true;  // KX_ALLOW_STANDIN_FIRMWARE passed on
    std::unique_ptr<SimProcess> sim_;
};

TEST_F(CliEndToEnd, DevicesHelpUsageAndRefusalsBeforeTheBox) {
    ProcessResult r = RunCli({"devices"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.out, "\n"), 101u);  // heading and 100 rows
    EXPECT_TRUE(Has(r.out, " 49  MSP430F2419(F2619)    0x02100-0x1FFFF  JTAG BSL\n")) << r.out;
    r = RunCli({"program", "x.txt", "--device", "F149", "--mode", "sbw"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.empty() && Has(r.err, "kxveldran-cli: ")) << r.out << r.err;

    // The user learns which port and why.
    Expect({"find"}, 3, "Fail to connect the programmer!\n", "no-such-tty");
    // A file that is not TI-TXT is refused before the box is looked for.
    WriteFile(dir_.File("bad.txt"), "@1000\r\nZZ 00\r\nq\r\n");
    EXPECT_EQ(Expect({"program", "bad.txt"}, 1, "").out,
              "File format not match!\n(bad.txt, line 2)\n");
}

// Inputs that are no TI-TXT file, data the device cannot hold, output through a link or
// into a folder, and the reason a failed command gives in its closing line.
TEST_F(CliEndToEnd, FilesGoAndComeOnlyWhereTheyCanAndFailuresSayWhy) {
    TempDir traceDir;
    const std::string trace = traceDir.File("trace.jsonl");
    ASSERT_TRUE(StartSim({"--device", "13", "--trace", trace})) << sim_->Log();
    const auto lastLine = [](const std::string& text) {
        const auto from = text.rfind('\n', text.size() - 2);
        return text.substr(from == std::string::npos ? 0 : from + 1);
    };
    Expect({"program", "."}, 1, "Cannot read the file; not loaded: it is a folder, not a file\n");

    WriteFile(dir_.File("app.txt"),
              ImageText({{0x0200, 8}, {0xF000, 0x40}, {0x10000, 16}}, 0x20000));
    const std::vector<std::string> program{"program", "app.txt", "--device", "F149"};
    ProcessResult r = Expect(program, 1,
                             "Warning: 24 bytes of the code lie outside the memory of "
                             "MSP430F149(F1491) and cannot be programmed:\n"
                             "  8 bytes in 0x0200..0x0207, below 0x1000\n"
                             "  16 bytes in 0x10000..0x1000F, beyond the end of the flash at "
                             "0xFFFF\n");
    EXPECT_EQ(lastLine(r.err),
              "kxveldran-cli: program: Refused before anything was sent. Choose the right device "
              "(--device), correct the file, or give --allow-outside to use only what fits.\n");
    EXPECT_EQ(ReadFile(trace), "");  // the box was not even looked for
    Expect(Plus(program, {"--allow-outside", "--password-file", "."}), 1, "", "it is a folder");
    r = Expect(Plus(program, {"--allow-outside"}), 0, "Programming successful!");
    EXPECT_LT(r.out.find("16 bytes in 0x10000..0x1000F"), r.out.find("Start programming"));

    // Through a link the real file gets the data; a folder is no file, and the closing line
    // says so instead of quoting the read's success.
    WriteFile(dir_.File("real.txt"), "old");
    ASSERT_EQ(::symlink("real.txt", dir_.File("link.txt").c_str()), 0);
    const std::vector<std::string> read{"read", "--device", "F149", "--address",
                                        "F000", "--length", "10"};
    Expect(Plus(read, {"-o", "link.txt"}), 0, "Saved to link.txt");
    EXPECT_EQ(ReadFile(dir_.File("real.txt")).substr(0, 7), "@F000\r\n");
    struct stat st {};
    EXPECT_TRUE(::lstat(dir_.File("link.txt").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    r = Expect(Plus(read, {"-o", "."}), 1, "reading data successful!");
    EXPECT_TRUE(
        lastLine(r.err).starts_with("kxveldran-cli: read: (cannot write .: Is a directory)"))
        << r.err;
    // A box pulled mid-read exits 3 and leaves the output file as it was.
    const std::string kept = ReadFile(dir_.File("real.txt"));
    ASSERT_TRUE(StartSim({"--device", "13", "--fault", "TX_DATA_BLOCK:2:vanish"}));
    Expect({"read", "--device", "F149", "-o", "link.txt"}, 3, "Failed in reading!\n");
    EXPECT_EQ(ReadFile(dir_.File("real.txt")), kept);

    // A box that answers with terminal control codes gets them shown, not obeyed.
    ASSERT_TRUE(StartSim({"--device", "13", "--version", "KX_VELDRAN V\x1b[2J\x07Z"}));
    Expect({"find"}, 0, "Firmware: KX_VELDRAN V\\x1B[2J\\x07Z\n");
}

TEST_F(CliEndToEnd, ProgramThenReadBackByDeviceGivesTheSameFile) {
    for (const auto& [device, row, imageEnd, ranges] :
         std::vector<std::tuple<const char*, const char*, std::uint32_t, Ranges>>{
             {"F149", "13", 0x10000, {{0x1100, 0x300}, {0x8000, 200}, {0xFFE0, 32}}},
             // Across the 64 KiB boundary of a 20-bit device, and up to its end.
             {"F2619", "49", 0x20000, {{0x2100, 0x40}, {0xFF00, 0x300}, {0x1FF00, 0x100}}}}) {
        SCOPED_TRACE(device);
        ASSERT_TRUE(StartSim({"--device", row})) << sim_->Log();
        const std::string code = ImageText(ranges, imageEnd);
        WriteFile(dir_.File("app.txt"), code);
        const ProcessResult r = Expect({"program", "app.txt", "--device", device}, 0,
                                       "Programming successful!\nStart verifying...\n"
                                       "Verifying successful!");
        EXPECT_FALSE(Has(r.out, "\r"));

        const std::vector<std::string> read{"read", "--by-device", "--device", device};
        ASSERT_EQ(Cli(Plus(read, {"-o", "back.txt"})).exitCode, 0);
        const std::string back = ReadFile(dir_.File("back.txt"));
        // The chip's own information memory (calibration on 2xx parts) may come first.
        ASSERT_GE(back.size(), code.size());
        EXPECT_EQ(back.substr(back.size() - code.size()), code);
        const std::string info = back.substr(0, back.size() - code.size());
        EXPECT_TRUE(std::regex_match(info, std::regex("(@10[0-9A-F]{2}\r\n([0-9A-F ]{47}\r\n)+)*")))
            << info;
        // Without -o the TI-TXT is the whole of stdout and the report goes to stderr.
        const ProcessResult toStdout = Cli(read);
        EXPECT_EQ(toStdout.out, back);
        EXPECT_TRUE(Has(toStdout.err, "reading data successful!\n"));
    }
}

// A whole run compared line for line with committed output, the pty and elapsed time masked.
// Set KX_UPDATE_GOLDEN=1 to rewrite the files after an intended change, then review the diff.
TEST_F(CliEndToEnd, GoldenOutputOfAProgramRunInBothLanguages) {
    auto image = std::make_unique<image::CodeImage>();
    for (std::uint32_t a = 0; a < 0x90; ++a) image->Set(0xF000 + a, static_cast<std::uint8_t>(a));
    for (std::uint32_t a = 0xFFFE; a < 0x10000; ++a) image->Set(a, 0xF0);
    WriteFile(dir_.File("app.txt"), image::RenderImageText(*image, 0x10000));
    WriteFile(settings_, "[number]\nproduct_num=1000\n");
    ASSERT_TRUE(StartSim({"--device", "13"})) << sim_->Log();
    const char* update = std::getenv("KX_UPDATE_GOLDEN");
    for (const char* lang : {"en", "zh"}) {
        lang_ = lang;
        const ProcessResult r = Cli({"program", "app.txt", "--device", "F149", "--product-info",
                                     "--auto-increment", "--name", "GOLDEN"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string out =
            std::regex_replace(std::regex_replace(r.out, std::regex(port_), "<pty>"),
                               std::regex("(Time escaped:|运行时间：)[^\n]*"), "$1<elapsed>");
        const std::string path = std::string(KX_CLI_GOLDEN_DIR) + "/program_f149_" + lang + ".txt";
        if (update != nullptr && std::string(update) == "1") WriteFile(path, out);
        EXPECT_EQ(out, ReadFile(path)) << path;
    }
}

TEST_F(CliEndToEnd, SerialNumberIsTakenBeforeTheRecordAndNeverGuessed) {
    WriteFile(settings_, "[BOOL]\nverify=1\n[number]\nproduct_num=41\n[line]\nstation=7\n");
    WriteFile(dir_.File("app.txt"), ImageText({{0x2000, 0x100}}));
    const std::vector<std::string> run{
        "program",        "app.txt",          "--device", "F149",  "--no-verify",
        "--product-info", "--auto-increment", "--name",   "LINE-A"};
    ASSERT_TRUE(StartSim({"--device", "13"})) << sim_->Log();
    Expect(run, 0, "Next serial number: 42\n");
    const std::string ini = ReadFile(settings_);
    // Only the counter is written: one-off options and unknown keys stay.
    EXPECT_EQ(Serial(), "42");
    EXPECT_TRUE(Has(ini, "verify=1") && Has(ini, "station=7")) << ini;
    // The chip carries "LINE-A" and number 41 at 0x1000.
    Expect({"read", "--device", "F149", "--address", "1000", "--length", "18"}, 0,
           "@1000\r\n4C 49 4E 45 2D 41 00 00 00 00 00 00 00 00 00 00\r\n00 00 00 00 29 00 00 00");

    Expect(Plus(run, {"--no-save"}), 0, "", "--no-save");
    EXPECT_EQ(Serial(), "42");

    // A counter that cannot be read is not replaced by a guess: nothing is programmed until
    // a number is given.
    WriteFile(settings_, "[number]\nproduct_num=0x100\n");
    EXPECT_FALSE(Has(Expect(run, 4, "", "product_num=0x100").out, "Start programming"));
    Expect(Plus(run, {"--serial", "7"}), 0, "Next serial number: 8\n");
    EXPECT_EQ(Serial(), "8");

    // A file that cannot be written stops the run before a chip gets a number; a read-only
    // one stays as it was.
    chmod(settings_.c_str(), 0444);
    EXPECT_FALSE(Has(Expect(run, 4, "", "read-only").out, "Start programming"));
    struct stat st {};
    EXPECT_TRUE(stat(settings_.c_str(), &st) == 0 && (st.st_mode & 0777) == 0444);
    // A typed number over an unreadable counter must still be storable.
    const std::string kept = ReadFile(settings_);
    WriteFile(settings_, "[number]\nproduct_num=abc\n");
    EXPECT_FALSE(
        Has(Expect(Plus(run, {"--serial", "9"}), 4, "", "read-only").out, "Start programming"));
    WriteFile(settings_, kept);
    chmod(settings_.c_str(), 0644);
    EXPECT_EQ(Serial(), "8");

    // The record went out, then its check failed: the number is used up, never stamped again.
    ASSERT_TRUE(StartSim({"--device", "13", "--fault", "TX_DATA_BLOCK:3:nak"}));
    Expect(Plus(run, {"--verify"}), 1, "Failed in verifying product information!",
           "Serial number 8 went out to this chip before the run failed");
    EXPECT_EQ(Serial(), "9");
    // Stopped before the record went out (the memory offset refused): the number comes back.
    ASSERT_TRUE(StartSim({"--device", "49", "--fault", "SET_MEM_OFFSET:2:nak"}));
    WriteFile(dir_.File("wide.txt"), ImageText({{0x3000, 0x40}}, 0x20000));
    Expect({"program", "wide.txt", "--device", "F2619", "--product-info", "--auto-increment"}, 1,
           "Failed in programming!");
    EXPECT_EQ(Serial(), "9");
}

// One row per unit that reached a box, in the run's language, with the file's digest and the
// number the chip holds; a log that cannot take the row stops or flags the unit.
TEST_F(CliEndToEnd, ProductionLogHoldsARowForEveryUnitThatReachedABox) {
    // Named in the settings file, relative to it: the log lies beside it.
    WriteFile(settings_, "[STRING]\nproduction_log=line.csv\n[number]\nproduct_num=41\n");
    const std::string code = ImageText({{0x2000, 0x100}});
    WriteFile(dir_.File("app.txt"), code);
    const std::string digest =
        Sha256Hex({reinterpret_cast<const std::uint8_t*>(code.data()), code.size()});
    const std::vector<std::string> run{"program", "app.txt",        "--device",
                                       "F149",    "--product-info", "--auto-increment"};
    ASSERT_TRUE(StartSim({"--device", "13"})) << sim_->Log();
    Expect(run, 0, "Target CPU running...");
    const std::string firstPort = port_;  // the next box may get another terminal
    // The record went out, then its check failed: the row names the number and the failure.
    ASSERT_TRUE(StartSim({"--device", "13", "--fault", "TX_DATA_BLOCK:3:nak"}));
    lang_ = "zh";
    Expect(run, 1, "校验产品序列号失败！");
    // Refused before the box was looked for: no unit, no row.
    Expect({"program", "missing.txt"}, 1, "");
    const auto rows = production::ParseCsv(ReadFile(dir_.File("line.csv")));
    ASSERT_TRUE(rows && rows->size() == 3) << ReadFile(dir_.File("line.csv"));
    for (const auto& [row, port, serial, message, text] :
         {std::tuple((*rows)[1], firstPort, "41", "34", "Target CPU running..."),
          std::tuple((*rows)[2], port_, "42", "30", "校验产品序列号失败！")}) {
        EXPECT_EQ(production::CsvRow(row.begin() + 2, row.end() - 1),
                  (production::CsvRow{port, "KX_VELDRAN V02.73A", "F149(F1491)", "F149", "JTAG",
                                      digest, serial, message, text}));
    }

    // --log wins over the settings; a folder is found before anything is sent.
    lang_ = "en";
    ASSERT_TRUE(StartSim({"--device", "13"})) << sim_->Log();
    ProcessResult r = Expect(Plus(run, {"--log", "."}), 8, "", "is a folder");
    EXPECT_TRUE(Has(r.err, "Nothing was programmed") && !Has(r.out, "Start programming")) << r.out;
    // The row itself fails (a full disk): the chip is fine, but the unit must not pass.
    r = Expect(Plus(run, {"--log", "/dev/full"}), 8, "Target CPU running...",
               "row is missing from the production log");
    EXPECT_TRUE(Has(r.err, "No space left on device")) << r.err;
    Expect({"read", "--device", "F149", "--log", "x.csv"}, 2, "", "--log belongs to the program");
}

TEST_F(CliEndToEnd, QuestionsVersionsUpdateAndVppTest) {
    WriteFile(dir_.File("app.txt"), ImageText({{0xF000, 0x40}}));
    const std::vector<std::string> program{"program", "app.txt", "--device", "F149"};
    TempDir traceDir;
    const std::string trace = traceDir.File("trace.jsonl");
    ASSERT_TRUE(StartSim({"--device", "13", "--trace", trace})) << sim_->Log();
    Expect({"find"}, 0, "Programmer on " + port_ + " (COM1)\nFirmware: KX_VELDRAN V02.73A\n");
    // Asked without a terminal: nothing done.
    const std::vector<std::string> download{"download", "app.txt", "--device", "F149"};
    Expect(download, 5, "", "Are you sure to download the code?");
    EXPECT_FALSE(Has(ReadFile(trace), "OFFLINE_SETUP"));
    EXPECT_FALSE(Has(Expect(Plus(program, {"--fuse"}), 5, "").out, "Start programming"));
    Expect(Plus(download, {"--count-limit", "500", "--yes"}), 0,
           "Start downloading...\nVerifying ...\nSuccessful!\nTime escaped:");
    Expect(Plus(program, {"--fuse", "--yes"}), 0, "Fusing target chip successful!\n");
    Expect(program, 1, "", "Target chip is fused");  // the failure on stderr
    Expect({"vpp-test"}, 0, "Test OK!\n");

    // The first update stops halfway and leaves the box in its loader; the next finishes it.
    ASSERT_TRUE(StartSim({"--device", "13", "--vpp-fail", "--version", "KX_VELDRAN V02.72A",
                          "--no-timing", "--fault", "RX_DATA_BLOCK:47:nak"}));
    Expect({"vpp-test"}, 1, "");
    Expect(program, 1, "Firmware version too old, update it first please!\n");
    Expect({"find"}, 0, "run 'kxveldran-cli update-firmware'");
    // The build's stand-ins reach the box only when the environment allows them.
    standIn_ = false;
    const ProcessResult refused = Expect({"update-firmware", "--yes"}, 1, "is a stand-in");
    EXPECT_TRUE(Has(refused.out, "cmake -DKX_FIRMWARE_DIR=") && !Has(refused.out, "Start"))
        << refused.out;
    standIn_ = true;
    Expect({"update-firmware", "--yes"}, 1, "Failed in updating!\n");
    Expect({"find"}, 1, "The programmer answers only in its loader (9600 baud)");
    Expect({"update-firmware", "--yes"}, 0, "Updating successful!\n");
    Expect({"find"}, 0, "Firmware: KX_VELDRAN V02.73");
    // Nothing to do is no failure.
    Expect({"update-firmware", "--yes"}, 0, "The firmware is the newest, need no updating!\n");
}

// While the update has the box in its loader, a first signal only gets the time still to go;
// a second one within a few seconds ends the program with the box's state and how to finish.
TEST_F(CliEndToEnd, SignalsAreHeldDuringTheFirmwareUpdate) {
    sim_ = std::make_unique<SimProcess>(
        std::vector<std::string>{"--device", "13", "--version", "KX_VELDRAN V02.72A"}, true);
    ASSERT_TRUE(sim_->Started()) << sim_->Log();
    TempDir io;
    const pid_t cli = Spawn({KX_CLI_PROGRAM, "update-firmware", "--yes", "--port", sim_->PtyPath(),
                             "--settings", settings_, "--lang", "en"},
                            io.File("out"), io.File("err"), dir_.Path());
    ASSERT_GT(cli, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Has(ReadFile(io.File("out")), "Start updating firmware") &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));  // into the write
    kill(cli, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const bool runsOn = waitpid(cli, nullptr, WNOHANG) == 0;
    const std::string first = ReadFile(io.File("err"));
    ASSERT_TRUE(runsOn) << first;
    kill(cli, SIGTERM);
    EXPECT_EQ(Wait(cli, std::chrono::seconds(5)), 1);
    std::smatch toGo;
    ASSERT_TRUE(std::regex_search(first, toGo,
                                  std::regex("cannot be interrupted safely.*about "
                                             "(\\d+) s to go")))
        << first;
    // About 30 s in all, one of them gone.
    EXPECT_TRUE(std::stoi(toGo[1]) >= 15 && std::stoi(toGo[1]) <= 60) << first;
    EXPECT_TRUE(Has(ReadFile(io.File("err")),
                    "left in its loader with its firmware erased or "
                    "partly written"));
}

TEST_F(CliEndToEnd, BslPasswordComesFromThePasswordFile) {
    image::Words16 words{};
    std::string vectors;
    for (std::uint16_t i = 0; i < 16; ++i) {
        words[i] = static_cast<std::uint16_t>(0xC000 + i);
        vectors += (i ? ",C00" : "C00") + std::string(1, "0123456789ABCDEF"[i]);
    }
    WriteFile(dir_.File("pw.txt"), image::PasswordFileText(words));
    std::string damaged = image::PasswordFileText(words);
    damaged[10] = 'G';
    WriteFile(dir_.File("bad-pw.txt"), damaged);
    WriteFile(dir_.File("app.txt"), ImageText({{0xF000, 0x40}}));
    ASSERT_TRUE(StartSim({"--device", "13", "--keep-on-bad-password", "--vectors", vectors}))
        << sim_->Log();
    // Without erasing, the target's BSL wants its password; the default (all 0xFFFF) is wrong.
    const std::vector<std::string> run{"program", "app.txt", "--device",  "F149",
                                       "--mode",  "bsl",     "--no-erase"};
    Expect(run, 1, "fail to check BSL password!");
    // A damaged file never becomes a password.
    const ProcessResult r = Expect(Plus(run, {"--password-file", "bad-pw.txt"}), 1, "", "bad-pw");
    EXPECT_FALSE(Has(r.out, "Connect the programmer successful!"));
    Expect(Plus(run, {"--password-file", "pw.txt"}), 0, "Programming mode: BSL.");
}

}  // namespace
}  // namespace kx::cli::test
