// kxveldran-cli run as a program against kxveldran-sim on a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "cli_test_helpers.h"
#include "image/code_image.h"
#include "image/titxt_writer.h"

namespace kx::cli::test {
namespace {

struct Range {
    std::uint32_t start;
    std::uint32_t length;
};

// A TI-TXT file as the program itself would write it, with varied bytes (no 0xFF lines).
std::string MakeImageText(const std::vector<Range>& ranges, std::uint32_t imageEnd,
                          std::uint32_t seed = 1) {
    auto image = std::make_unique<image::CodeImage>();
    std::uint32_t x = seed;
    for (const Range& r : ranges) {
        for (std::uint32_t a = r.start; a < r.start + r.length; ++a) {
            x = x * 1103515245u + 12345u;
            image->Set(a, static_cast<std::uint8_t>(x >> 16) & 0x7F);
        }
    }
    return image::RenderImageText(*image, imageEnd);
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

bool Has(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// Value of `key` in the settings text (the first "key=value" line).
std::string IniValue(const std::string& text, const std::string& key) {
    const std::regex line("(^|\n)" + key + "=([^\r\n]*)");
    std::smatch m;
    return std::regex_search(text, m, line) ? m[2].str() : std::string("<missing>");
}

// `back` is `code` preceded only by sections in the information memory (0x1000..0x10FF).
void ExpectCodeThenInfoOnly(const std::string& back, const std::string& code) {
    ASSERT_GE(back.size(), code.size());
    EXPECT_EQ(back.substr(back.size() - code.size()), code);
    const std::string prefix = back.substr(0, back.size() - code.size());
    const std::regex address("(^|\n)@([0-9A-F]+)");
    for (auto it = std::sregex_iterator(prefix.begin(), prefix.end(), address);
         it != std::sregex_iterator(); ++it) {
        const auto value = std::stoul((*it)[2].str(), nullptr, 16);
        EXPECT_TRUE(value >= 0x1000 && value < 0x1100) << (*it)[2].str();
    }
}

class CliEndToEnd : public ::testing::Test {
protected:
    // Runs the program against `sim` with our settings file and English messages.
    ProcessResult Cli(const SimProcess& sim, std::vector<std::string> args,
                      const std::string& input = {}) {
        args.insert(args.end(), {"--port", sim.PtyPath(), "--settings", settings_, "--lang", "en"});
        return RunCli(args, dir_.Path(), input);
    }

    TempDir dir_;
    std::string settings_ = dir_.File("KX_VELDRAN.ini");
};

TEST_F(CliEndToEnd, DevicesHelpAndUsageErrorsNeedNoProgrammer) {
    ProcessResult r = RunCli({"devices"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Count(r.out, "\n"), 101u);  // heading and 100 rows
    EXPECT_TRUE(Has(r.out, " 13  MSP430F149(F1491)     0x1100-0xFFFF    JTAG BSL\n")) << r.out;
    EXPECT_TRUE(Has(r.out, " 49  MSP430F2419(F2619)    0x02100-0x1FFFF  JTAG BSL\n"));
    EXPECT_TRUE(Has(r.out, " 28  MSP430F2013           0xF800-0xFFFF    JTAG SBW\n"));

    r = RunCli({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* word :
         {"devices", "find", "program FILE", "read", "download FILE", "update-firmware",
          "vpp-test", "--device", "--mode", "--erase-seg-a", "--fuse", "--serial-hex",
          "--info-address", "--count-limit", "--password-file", "--beep", "--port", "--settings",
          "--no-save", "--yes", "--lang", "Exit status"}) {
        EXPECT_TRUE(Has(r.out, word)) << word;
    }

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"frobnicate"},
                                               {"program"},
                                               {"read", "--mode", "uart"},
                                               {"program", "x.txt", "--device", "F9999"},
                                               {"program", "x.txt", "--device", "F149", "--mode",
                                                "sbw"}}) {
        r = RunCli(args, dir_.Path());
        EXPECT_EQ(r.exitCode, 2) << args[0];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(Has(r.err, "kxveldran-cli: ")) << r.err;
    }

    // No programmer at the named port: exit 3, and the user learns why.
    r = RunCli({"find", "--port", dir_.File("no-such-tty"), "--settings", settings_, "--lang",
                "en"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(Has(r.out, "Fail to connect the programmer!\n"));
    EXPECT_TRUE(Has(r.err, "no-such-tty")) << r.err;
    // A file that is not TI-TXT is refused before the programmer is looked for.
    WriteFile(dir_.File("bad.txt"), "@1000\r\nZZ 00\r\nq\r\n");
    r = RunCli({"program", "bad.txt", "--port", dir_.File("no-such-tty"), "--settings",
                settings_, "--lang", "en"},
               dir_.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r.out, "File format not match!\n(bad.txt, line 2)\n")) << r.out;
}

TEST_F(CliEndToEnd, ProgramThenReadBackByDeviceGivesTheSameFile) {
    struct Case {
        const char* device;
        const char* row;
        std::uint32_t imageEnd;
        std::vector<Range> ranges;
    };
    const std::vector<Case> cases{
        {"F149", "13", 0x10000, {{0x1100, 0x300}, {0x8000, 200}, {0xFFE0, 32}}},
        // Across the 64 KiB boundary on a 20-bit device, and at its very end.
        {"F2619", "49", 0x20000, {{0x2100, 0x40}, {0xFF00, 0x300}, {0x1FF00, 0x100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        SimProcess sim({"--device", c.row});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        const std::string text = MakeImageText(c.ranges, c.imageEnd);
        WriteFile(dir_.File("app.txt"), text);

        ProcessResult r = Cli(sim, {"program", "app.txt", "--device", c.device});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "Programming successful!\n"));
        EXPECT_TRUE(Has(r.out, "Verifying successful!\n"));
        EXPECT_TRUE(Has(r.out, "Time escaped:"));
        EXPECT_FALSE(Has(r.out, "\r")) << "pane line ends must be the terminal's";

        r = Cli(sim, {"read", "--by-device", "--device", c.device, "-o", "back.txt"});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "reading data successful!\n"));
        // The chip's own information memory (calibration data on 2xx parts) comes first.
        const std::string back = ReadFile(dir_.File("back.txt"));
        ExpectCodeThenInfoOnly(back, text);

        // Without -o the TI-TXT is the whole of stdout and the report moves to stderr.
        r = Cli(sim, {"read", "--by-device", "--device", c.device});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, back);
        EXPECT_TRUE(Has(r.err, "reading data successful!\n"));
    }
}

TEST_F(CliEndToEnd, SerialNumberAdvancesAndIsSavedOnlyAfterASuccessfulRun) {
    WriteFile(settings_,
              "[BOOL]\nverify=1\nproduct_id=0\n[number]\nproduct_num=41\n[line]\nstation=7\n");
    WriteFile(dir_.File("app.txt"), MakeImageText({{0x2000, 0x100}}, 0x10000));
    {
        SimProcess sim({"--device", "13"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        const std::vector<std::string> run{"program", "app.txt", "--device", "F149",
                                           "--product-info", "--auto-increment", "--no-verify",
                                           "--name", "LINE-A"};
        ProcessResult r = Cli(sim, run);
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "Verifying product information successful!\n"));
        EXPECT_TRUE(Has(r.out, "Next serial number: 42\n"));
        std::string ini = ReadFile(settings_);
        EXPECT_EQ(IniValue(ini, "product_num"), "42");
        // Only the counter is written: one-off options and unknown keys stay as they were.
        EXPECT_EQ(IniValue(ini, "verify"), "1");
        EXPECT_EQ(IniValue(ini, "product_id"), "0");
        EXPECT_EQ(IniValue(ini, "station"), "7");

        // The chip got number 41 ("LINE-A", zero padding, 29 00 00 00) at 0x1000.
        r = Cli(sim, {"read", "--device", "F149", "--address", "1000", "--length", "18"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Has(r.out, "@1000\r\n4C 49 4E 45 2D 41 00 00 00 00 00 00 00 00 00 00\r\n"
                               "00 00 00 00 29 00 00 00"))
            << r.out;

        r = Cli(sim, run);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        EXPECT_EQ(IniValue(ReadFile(settings_), "product_num"), "43");

        std::vector<std::string> noSave = run;
        noSave.push_back("--no-save");
        r = Cli(sim, noSave);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.err, "--no-save")) << r.err;
        EXPECT_EQ(IniValue(ReadFile(settings_), "product_num"), "43");

        // --serial sets the start of a new series.
        std::vector<std::string> fresh = run;
        fresh.insert(fresh.end(), {"--serial", "FFFFFFFF", "--serial-hex"});
        r = Cli(sim, fresh);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.out, "Next serial number: 0\n"));  // wraps, shown in hex
        EXPECT_EQ(IniValue(ReadFile(settings_), "product_num"), "0");
    }
    {
        SimProcess noTarget({"--device", "13", "--no-target"});
        ASSERT_TRUE(noTarget.Started()) << noTarget.Log();
        const ProcessResult r = Cli(noTarget, {"program", "app.txt", "--device", "F149",
                                               "--product-info", "--auto-increment"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.out, "Fail to find target chip!\n"));
        EXPECT_FALSE(Has(r.out, "Next serial number"));
        EXPECT_EQ(IniValue(ReadFile(settings_), "product_num"), "0");
    }
    {
        // A settings file that cannot be written stops the run before a chip gets a number.
        SimProcess sim({"--device", "13"});
        ASSERT_TRUE(sim.Started());
        WriteFile(dir_.File("plain-file"), "x");
        const std::string unwritable = dir_.File("plain-file/KX_VELDRAN.ini");
        const ProcessResult r =
            RunCli({"program", "app.txt", "--device", "F149", "--product-info",
                    "--auto-increment", "--port", sim.PtyPath(), "--settings", unwritable},
                   dir_.Path());
        EXPECT_EQ(r.exitCode, 4);
        EXPECT_TRUE(Has(r.err, "plain-file")) << r.err;
        EXPECT_FALSE(Has(r.out, "Start programming"));
    }
}

TEST_F(CliEndToEnd, DownloadWritesTheStoreAndReadsItBack) {
    TempDir traceDir;
    const std::string trace = traceDir.File("trace.jsonl");
    SimProcess sim({"--device", "13", "--trace", trace});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    // Two blocks: 0x1100 (0x140 bytes) and the vectors; packed 8 + 320 + 8 + 32 = 368 bytes.
    WriteFile(dir_.File("app.txt"), MakeImageText({{0x1100, 0x140}, {0xFFE0, 32}}, 0x10000));

    // Without a terminal and without --yes the question counts as No: nothing is sent.
    ProcessResult r = Cli(sim, {"download", "app.txt", "--device", "F149"});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(Has(r.err, "Are you sure to download the code?")) << r.err;
    EXPECT_EQ(Count(ReadFile(trace), "\"OFFLINE_SETUP\""), 0u);

    r = Cli(sim, {"download", "app.txt", "--device", "F149", "--count-limit", "500", "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "Start downloading...\nVerifying ...\nSuccessful!\nTime escaped:"))
        << r.out;
    const std::string t = ReadFile(trace);
    // The 368 bytes go in chunks of 128, 128 and 112, and are read back the same way.
    EXPECT_EQ(Count(t, "\"dir\":\"rx\",\"baud\":115200,\"cmd\":\"OFFLINE_SETUP\""), 1u) << t;
    EXPECT_EQ(Count(t, "\"dir\":\"rx\",\"baud\":115200,\"cmd\":\"STORE_WRITE\""), 3u);
    EXPECT_EQ(Count(t, "\"dir\":\"rx\",\"baud\":115200,\"cmd\":\"STORE_READ\""), 3u);
}

TEST_F(CliEndToEnd, QuestionsVersionsAndTheVppTest) {
    WriteFile(dir_.File("app.txt"), MakeImageText({{0xF000, 0x40}}, 0x10000));
    {
        SimProcess sim({"--device", "13"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        ProcessResult r = Cli(sim, {"find"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.out, "Connect the programmer successful!\nProgrammer on " +
                                   sim.PtyPath() + " (COM1)\nFirmware: KX_VELDRAN V02.73A\n"))
            << r.out;

        // The fuse question: no terminal, no --yes → nothing done; "y" on a terminal is
        // covered by the unit tests; --yes burns it.
        r = Cli(sim, {"program", "app.txt", "--device", "F149", "--fuse"});
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_FALSE(Has(r.out, "Start programming"));
        r = Cli(sim, {"program", "app.txt", "--device", "F149", "--fuse", "--yes"});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_TRUE(Has(r.out, "Fusing target chip successful!\n"));
        r = Cli(sim, {"program", "app.txt", "--device", "F149"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.out, "Target chip is fused, operation terminated!\n"));
        EXPECT_TRUE(Has(r.err, "Target chip is fused")) << "the failing message on stderr";

        r = Cli(sim, {"vpp-test"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(Has(r.out, "Test OK!\n"));
    }
    {
        SimProcess sim({"--device", "13", "--vpp-fail", "--version", "KX_VELDRAN V02.72A"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        ProcessResult r = Cli(sim, {"vpp-test"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.out, "Test Failed!\n"));
        r = Cli(sim, {"program", "app.txt", "--device", "F149"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Has(r.out, "Firmware version too old, update it first please!\n"));
        r = Cli(sim, {"find"});
        EXPECT_TRUE(Has(r.out, "update-firmware")) << r.out;

        r = Cli(sim, {"update-firmware", "--yes"});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "Updating successful!\n"));
        r = Cli(sim, {"find"});
        EXPECT_TRUE(Has(r.out, "Firmware: KX_VELDRAN V02.73")) << r.out;
        EXPECT_FALSE(Has(r.out, "update-firmware"));
    }
}

}  // namespace
}  // namespace kx::cli::test
