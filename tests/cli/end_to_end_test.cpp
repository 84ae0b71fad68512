// kxveldran-cli run as a program against kxveldran-sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "cli_test_helpers.h"
#include "image/code_image.h"
#include "image/password_file.h"
#include "image/titxt_writer.h"

namespace kx::cli::test {
namespace {

struct Range {
    std::uint32_t start;
    std::uint32_t length;
};

// A TI-TXT file as the program itself writes them, with varied bytes (no blank lines).
std::string ImageText(const std::vector<Range>& ranges, std::uint32_t imageEnd) {
    auto image = std::make_unique<image::CodeImage>();
    std::uint32_t x = 1;
    for (const Range& r : ranges) {
        for (std::uint32_t a = r.start; a < r.start + r.length; ++a) {
            x = x * 1103515245u + 12345u;
            image->Set(a, static_cast<std::uint8_t>((x >> 16) & 0x7F));
        }
    }
    return image::RenderImageText(*image, imageEnd);
}

bool Has(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string IniValue(const std::string& text, const std::string& key) {
    std::smatch m;
    return std::regex_search(text, m, std::regex("(^|\n)" + key + "=([^\r\n]*)")) ? m[2].str()
                                                                                  : "<missing>";
}

class CliEndToEnd : public ::testing::Test {
  protected:
    ProcessResult Cli(const SimProcess& sim, std::vector<std::string> args) {
        args.insert(args.end(), {"--port", sim.PtyPath(), "--settings", settings_, "--lang", "en"});
        return RunCli(args, dir_.Path());
    }
    std::string Serial() { return IniValue(ReadFile(settings_), "product_num"); }

    TempDir dir_;
    std::string settings_ = dir_.File("KX_VELDRAN.ini");
};

TEST_F(CliEndToEnd, DevicesHelpUsageAndRefusalsBeforeTheBox) {
    ProcessResult r = RunCli({"devices"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.out, "\n"), 101u);  // heading and 100 rows
    EXPECT_TRUE(Has(r.out, " 13  MSP430F149(F1491)     0x1100-0xFFFF    JTAG BSL\n")) << r.out;
    EXPECT_TRUE(Has(r.out, " 49  MSP430F2419(F2619)    0x02100-0x1FFFF  JTAG BSL\n"));

    r = RunCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* word : {"program FILE", "download FILE", "update-firmware", "vpp-test",
                             "--erase-seg-a", "--serial-hex", "--count-limit", "--password-file",
                             "--no-save", "--yes", "Exit status"}) {
        EXPECT_TRUE(Has(r.out, word)) << word;
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"frobnicate"}, {"program", "x.txt", "--device", "F149", "--mode", "sbw"}}) {
        r = RunCli(args, dir_.Path());
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(Has(r.err, "kxveldran-cli: ")) << r.err;
    }

    const std::vector<std::string> noBox{
        "--port", dir_.File("no-such-tty"), "--settings", settings_, "--lang", "en"};
    std::vector<std::string> args{"find"};
    args.insert(args.end(), noBox.begin(), noBox.end());
    r = RunCli(args);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(Has(r.out, "Fail to connect the programmer!\n"));
    EXPECT_TRUE(Has(r.err, "no-such-tty")) << r.err;  // the user learns which port and why

    // A file that is not TI-TXT is refused before the box is looked for.
    WriteFile(dir_.File("bad.txt"), "@1000\r\nZZ 00\r\nq\r\n");
    args = {"program", "bad.txt"};
    args.insert(args.end(), noBox.begin(), noBox.end());
    r = RunCli(args, dir_.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "File format not match!\n(bad.txt, line 2)\n");
}

TEST_F(CliEndToEnd, ProgramThenReadBackByDeviceGivesTheSameFile) {
    struct Case {
        const char* device;
        const char* row;
        std::uint32_t imageEnd;
        std::vector<Range> ranges;
    };
    for (const Case& c : std::vector<Case>{
             {"F149", "13", 0x10000, {{0x1100, 0x300}, {0x8000, 200}, {0xFFE0, 32}}},
             // Across the 64 KiB boundary of a 20-bit device, and up to its end.
             {"F2619", "49", 0x20000, {{0x2100, 0x40}, {0xFF00, 0x300}, {0x1FF00, 0x100}}}}) {
        SCOPED_TRACE(c.device);
        SimProcess sim({"--device", c.row});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        const std::string code = ImageText(c.ranges, c.imageEnd);
        WriteFile(dir_.File("app.txt"), code);

        ProcessResult r = Cli(sim, {"program", "app.txt", "--device", c.device});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(
            Has(r.out, "Programming successful!\nStart verifying...\nVerifying successful!"));
        EXPECT_FALSE(Has(r.out, "\r"));

        r = Cli(sim, {"read", "--by-device", "--device", c.device, "-o", "back.txt"});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        const std::string back = ReadFile(dir_.File("back.txt"));
        // The chip's own information memory (calibration on 2xx parts) may come first.
        ASSERT_GE(back.size(), code.size());
        EXPECT_EQ(back.substr(back.size() - code.size()), code);
        const std::string info = back.substr(0, back.size() - code.size());
        EXPECT_TRUE(std::regex_match(info, std::regex("(@10[0-9A-F]{2}\r\n([0-9A-F ]{47}\r\n)+)*")))
            << info;

        // Without -o the TI-TXT is the whole of stdout and the report goes to stderr.
        r = Cli(sim, {"read", "--by-device", "--device", c.device});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, back);
        EXPECT_TRUE(Has(r.err, "reading data successful!\n"));
    }
}

TEST_F(CliEndToEnd, SerialNumberIsSavedAtOnceAndOnlyAfterASuccessfulRun) {
    WriteFile(settings_, "[BOOL]\nverify=1\n[number]\nproduct_num=41\n[line]\nstation=7\n");
    WriteFile(dir_.File("app.txt"), ImageText({{0x2000, 0x100}}, 0x10000));
    const std::vector<std::string> run{
        "program",        "app.txt",          "--device", "F149",  "--no-verify",
        "--product-info", "--auto-increment", "--name",   "LINE-A"};
    {
        SimProcess sim({"--device", "13"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        ProcessResult r = Cli(sim, run);
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "Verifying product information successful!\n"));
        EXPECT_TRUE(Has(r.out, "Next serial number: 42\n"));
        const std::string ini = ReadFile(settings_);
        EXPECT_EQ(IniValue(ini, "product_num"), "42");
        // Only the counter is written: one-off options and unknown keys stay.
        EXPECT_EQ(IniValue(ini, "verify"), "1");
        EXPECT_EQ(IniValue(ini, "station"), "7");

        // The chip carries "LINE-A" and number 41 at 0x1000.
        r = Cli(sim, {"read", "--device", "F149", "--address", "1000", "--length", "18"});
        EXPECT_TRUE(Has(r.out,
                        "@1000\r\n4C 49 4E 45 2D 41 00 00 00 00 00 00 00 00 00 00\r\n"
                        "00 00 00 00 29 00 00 00"))
            << r.out;

        std::vector<std::string> noSave = run;
        noSave.push_back("--no-save");
        r = Cli(sim, noSave);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.err, "--no-save")) << r.err;
        EXPECT_EQ(Serial(), "42");

        // A file that cannot be written stops the run before a chip gets a number.
        WriteFile(dir_.File("plain"), "x");
        std::vector<std::string> unwritable = run;
        unwritable.insert(unwritable.end(), {"--port", sim.PtyPath(), "--settings",
                                             dir_.File("plain/KX_VELDRAN.ini")});
        r = RunCli(unwritable, dir_.Path());
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_TRUE(Has(r.err, "plain/KX_VELDRAN.ini")) << r.err;
        EXPECT_FALSE(Has(r.out, "Start programming"));
    }
    SimProcess noTarget({"--device", "13", "--no-target"});
    ASSERT_TRUE(noTarget.Started());
    const ProcessResult r = Cli(noTarget, run);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.out, "Fail to find target chip!\n"));
    EXPECT_EQ(Serial(), "42");
}

TEST_F(CliEndToEnd, DownloadWritesTheStoreAndReadsItBack) {
    TempDir traceDir;
    const std::string trace = traceDir.File("trace.jsonl");
    SimProcess sim({"--device", "13", "--trace", trace});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    // Packed: 8 + 0x140 + 8 + 32 = 368 bytes, written and read in 128 + 128 + 112.
    WriteFile(dir_.File("app.txt"), ImageText({{0x1100, 0x140}, {0xFFE0, 32}}, 0x10000));

    // No terminal and no --yes: the question counts as No and nothing is sent.
    ProcessResult r = Cli(sim, {"download", "app.txt", "--device", "F149"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "Are you sure to download the code?"));
    EXPECT_FALSE(Has(ReadFile(trace), "OFFLINE_SETUP"));

    r = Cli(sim, {"download", "app.txt", "--device", "F149", "--count-limit", "500", "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "Start downloading...\nVerifying ...\nSuccessful!\nTime escaped:"));
    const std::string t = ReadFile(trace);
    EXPECT_EQ(Count(t, R"("dir":"rx","baud":115200,"cmd":"OFFLINE_SETUP")"), 1u) << t;
    EXPECT_EQ(Count(t, R"("dir":"rx","baud":115200,"cmd":"STORE_WRITE")"), 3u);
    EXPECT_EQ(Count(t, R"("dir":"rx","baud":115200,"cmd":"STORE_READ")"), 3u);
}

TEST_F(CliEndToEnd, QuestionsVersionsUpdateAndVppTest) {
    WriteFile(dir_.File("app.txt"), ImageText({{0xF000, 0x40}}, 0x10000));
    const std::vector<std::string> program{"program", "app.txt", "--device", "F149"};
    std::vector<std::string> fuse = program;
    fuse.push_back("--fuse");
    {
        SimProcess sim({"--device", "13"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        ProcessResult r = Cli(sim, {"find"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(
            r.out, "Programmer on " + sim.PtyPath() + " (COM1)\nFirmware: KX_VELDRAN V02.73A\n"))
            << r.out;
        r = Cli(sim, fuse);  // asked without a terminal: nothing done
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_FALSE(Has(r.out, "Start programming"));
        fuse.push_back("--yes");
        r = Cli(sim, fuse);
        EXPECT_TRUE(Has(r.out, "Fusing target chip successful!\n")) << r.out;
        r = Cli(sim, program);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.err, "Target chip is fused")) << "the failing message on stderr";
        r = Cli(sim, {"vpp-test"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.out, "Test OK!\n"));
    }
    {
        SimProcess sim({"--device", "13", "--vpp-fail", "--version", "KX_VELDRAN V02.72A"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        EXPECT_EQ(Cli(sim, {"vpp-test"}).exitCode, 1);
        ProcessResult r = Cli(sim, program);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.out, "Firmware version too old, update it first please!\n"));
        EXPECT_TRUE(Has(Cli(sim, {"find"}).out, "run 'kxveldran-cli update-firmware'"));
        r = Cli(sim, {"update-firmware", "--yes"});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "Updating successful!\n"));
        EXPECT_TRUE(Has(Cli(sim, {"find"}).out, "Firmware: KX_VELDRAN V02.73"));
        r = Cli(sim, {"update-firmware", "--yes"});  // nothing to do is no failure
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.out, "The firmware is the newest, need no updating!\n"));
    }
}

TEST_F(CliEndToEnd, BslPasswordComesFromThePasswordFile) {
    security::Words16 words{};
    for (int i = 0; i < 16; ++i)
        words[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(0xC000 + i);
    WriteFile(dir_.File("pw.txt"), image::PasswordFileText(words));
    std::string damaged = image::PasswordFileText(words);
    damaged[10] = 'G';
    WriteFile(dir_.File("bad-pw.txt"), damaged);
    WriteFile(dir_.File("app.txt"), ImageText({{0xF000, 0x40}}, 0x10000));
    SimProcess sim({"--device", "13", "--keep-on-bad-password", "--vectors",
                    "C000,C001,C002,C003,C004,C005,C006,C007,C008,C009,C00A,C00B,C00C,C00D,C00E,"
                    "C00F"});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    // Without erasing, the target's BSL wants its password.
    const std::vector<std::string> run{"program", "app.txt", "--device",  "F149",
                                       "--mode",  "bsl",     "--no-erase"};
    ProcessResult r = Cli(sim, run);  // the default password (all 0xFFFF) is refused
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.out, "fail to check BSL password!")) << r.out;
    std::vector<std::string> args = run;
    args.insert(args.end(), {"--password-file", "bad-pw.txt"});
    r = Cli(sim, args);  // a damaged file never becomes a password
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.err, "bad-pw.txt")) << r.err;
    EXPECT_FALSE(Has(r.out, "Connect the programmer successful!"));
    args = run;
    args.insert(args.end(), {"--password-file", "pw.txt"});
    r = Cli(sim, args);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "Programming mode: BSL."));
}

}  // namespace
}  // namespace kx::cli::test
