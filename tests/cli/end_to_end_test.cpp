// kxveldran-cli run as a program against kxveldran-sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "cli_test_helpers.h"
#include "image/code_image.h"
#include "image/password_file.h"
#include "image/titxt_writer.h"

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
                      dir_.Path());
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
    std::unique_ptr<SimProcess> sim_;
};

TEST_F(CliEndToEnd, DevicesHelpUsageAndRefusalsBeforeTheBox) {
    ProcessResult r = RunCli({"devices"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.out, "\n"), 101u);  // heading and 100 rows
    EXPECT_TRUE(Has(r.out, " 49  MSP430F2419(F2619)    0x02100-0x1FFFF  JTAG BSL\n")) << r.out;
    EXPECT_TRUE(Has(RunCli({"--help"}).out, "Exit status"));
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

// A box pulled mid-read exits 3 and leaves the output file as it was.
TEST_F(CliEndToEnd, ReadCutShortExitsThreeAndKeepsTheFile) {
    WriteFile(dir_.File("back.txt"), "kept");
    ASSERT_TRUE(StartSim({"--device", "13", "--fault", "TX_DATA_BLOCK:2:vanish"})) << sim_->Log();
    Expect({"read", "--device", "F149", "-o", "back.txt"}, 3, "Failed in reading!\n");
    EXPECT_EQ(ReadFile(dir_.File("back.txt")), "kept");
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

TEST_F(CliEndToEnd, SerialNumberIsSavedAtOnceAndOnlyAfterASuccessfulRun) {
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

    // A file that cannot be written stops the run before a chip gets a number.
    WriteFile(dir_.File("plain"), "x");
    settings_ = dir_.File("plain/KX_VELDRAN.ini");
    EXPECT_FALSE(Has(Expect(run, 4, "", "plain/KX_VELDRAN.ini").out, "Start programming"));

    settings_ = dir_.File("KX_VELDRAN.ini");
    ASSERT_TRUE(StartSim({"--device", "13", "--no-target"}));
    Expect(run, 1, "Fail to find target chip!\n");
    EXPECT_EQ(Serial(), "42");
}

TEST_F(CliEndToEnd, DownloadWritesTheStoreAndReadsItBack) {
    TempDir traceDir;
    const std::string trace = traceDir.File("trace.jsonl");
    ASSERT_TRUE(StartSim({"--device", "13", "--trace", trace})) << sim_->Log();
    // Packed: 8 + 0x140 + 8 + 32 = 368 bytes, written and read in 128 + 128 + 112.
    WriteFile(dir_.File("app.txt"), ImageText({{0x1100, 0x140}, {0xFFE0, 32}}));
    const std::vector<std::string> download{"download", "app.txt", "--device", "F149"};

    // No terminal and no --yes: the question counts as No and nothing is sent.
    Expect(download, 5, "", "Are you sure to download the code?");
    EXPECT_FALSE(Has(ReadFile(trace), "OFFLINE_SETUP"));
    Expect(Plus(download, {"--count-limit", "500", "--yes"}), 0,
           "Start downloading...\nVerifying ...\nSuccessful!\nTime escaped:");
    const std::string t = ReadFile(trace);
    EXPECT_EQ(Count(t, R"("dir":"rx","baud":115200,"cmd":"OFFLINE_SETUP")"), 1u) << t;
    EXPECT_EQ(Count(t, R"("dir":"rx","baud":115200,"cmd":"STORE_WRITE")"), 3u);
    EXPECT_EQ(Count(t, R"("dir":"rx","baud":115200,"cmd":"STORE_READ")"), 3u);
}

TEST_F(CliEndToEnd, QuestionsVersionsUpdateAndVppTest) {
    WriteFile(dir_.File("app.txt"), ImageText({{0xF000, 0x40}}));
    const std::vector<std::string> program{"program", "app.txt", "--device", "F149"};
    ASSERT_TRUE(StartSim({"--device", "13"})) << sim_->Log();
    Expect({"find"}, 0, "Programmer on " + port_ + " (COM1)\nFirmware: KX_VELDRAN V02.73A\n");
    // Asked without a terminal: nothing done.
    EXPECT_FALSE(Has(Expect(Plus(program, {"--fuse"}), 5, "").out, "Start programming"));
    Expect(Plus(program, {"--fuse", "--yes"}), 0, "Fusing target chip successful!\n");
    Expect(program, 1, "", "Target chip is fused");  // the failure on stderr
    Expect({"vpp-test"}, 0, "Test OK!\n");

    ASSERT_TRUE(StartSim({"--device", "13", "--vpp-fail", "--version", "KX_VELDRAN V02.72A"}));
    Expect({"vpp-test"}, 1, "");
    Expect(program, 1, "Firmware version too old, update it first please!\n");
    Expect({"find"}, 0, "run 'kxveldran-cli update-firmware'");
    Expect({"update-firmware", "--yes"}, 0, "Updating successful!\n");
    Expect({"find"}, 0, "Firmware: KX_VELDRAN V02.73");
    // Nothing to do is no failure.
    Expect({"update-firmware", "--yes"}, 0, "The firmware is the newest, need no updating!\n");
}

TEST_F(CliEndToEnd, BslPasswordComesFromThePasswordFile) {
    security::Words16 words{};
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
