#include "production/production_log.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "messages/text_catalogue.h"
#include "production/run_attempt.h"

namespace kx::production {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "kx-log-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

LogRow SampleRow(std::uint32_t serial) {
    LogRow row;
    row.time = IsoLocalTime(1714543387);
    row.station = StationName();
    row.port = "/dev/ttyUSB0";
    row.box = "KX_VELDRAN V02.73A";
    row.device = "F149(F1491)";
    row.chipId = 0xF149;
    row.mode = "JTAG";
    row.imageSha256 = std::string(64, 'a');
    row.serial = serial;
    row.message = 27;
    // Commas, quotes and a line break: a row cut anywhere no longer parses into 12 fields.
    row.messageText = "Say \"OK\", then\r\nnext, \"" + std::to_string(serial) + "\"";
    row.durationMs = 1234;
    return row;
}

TEST(Csv, QuotesOnlyWhatNeedsItAndReadsItBack) {
    const CsvRow fields = {"plain", "a,b", "say \"hi\"", "two\r\nlines", "", "编程器", "end\n"};
    const std::string line = RenderCsvRow(fields);
    EXPECT_EQ(line, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",,编程器,\"end\n\"\r\n");
    EXPECT_EQ(ParseCsv(line + "x,y\n"), (std::vector<CsvRow>{fields, {"x", "y"}}));
    for (const char* broken : {"\"never ends\r\n", "a\"b,c\r\n", "\"x\"y,z\r\n"}) {
        EXPECT_FALSE(ParseCsv(broken)) << broken;
    }
}

TEST(ProductionLog, RowRoundTripsWithOneHeaderAndZonedTime) {
    TempDir dir;
    const std::string path = (dir.path / "log.csv").string();
    LogRow none = SampleRow(0);
    none.serial.reset();
    ASSERT_EQ(AppendLogRow(path, SampleRow(7), UiLanguage::English), std::nullopt);
    ASSERT_EQ(AppendLogRow(path, none, UiLanguage::English), std::nullopt);
    const auto rows = ParseCsv(Slurp(path));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 3u);
    EXPECT_EQ((*rows)[0], LogHeader());
    EXPECT_EQ((*rows)[1], LogFields(SampleRow(7)));
    EXPECT_EQ(std::tuple((*rows)[1][5], (*rows)[1][8], (*rows)[2][8]), std::tuple("F149", "7", ""));
    // "2024-05-01T06:03:07+00:00" in UTC; the offset always carries its colon.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime(1714543387), "2024-05-01T06:03:07+00:00");
    ::setenv("TZ", "Asia/Shanghai", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime(1714543387), "2024-05-01T14:03:07+08:00");
    ::unsetenv("TZ");
    ::tzset();
}

// Two programs appending to one new log at once: every row whole, one header. Each also
// starts a fresh log per row, so that creating a log races many times over.
TEST(ProductionLog, TwoProcessesAppendWholeRowsUnderOneHeader) {
    TempDir dir;
    const std::string path = (dir.path / "shared.csv").string();
    constexpr std::uint32_t kRows = 300;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            char start = 0;
            if (::read(go[0], &start, 1) != 1) ::_exit(3);
            for (std::uint32_t i = 0; i < kRows; ++i) {
                const LogRow row = SampleRow(c * 100000 + i);
                const std::string fresh = path + std::to_string(i);
                if (AppendLogRow(path, row, UiLanguage::English) ||
                    AppendLogRow(fresh, row, UiLanguage::English)) {
                    ::_exit(4);
                }
            }
            ::_exit(0);
        }
    }
    ASSERT_EQ(::write(go[1], "gg", 2), 2);  // both start together
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ::close(go[0]);
    ::close(go[1]);
    const auto rows = ParseCsv(Slurp(path));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2 * kRows + 1);
    EXPECT_EQ(rows->front(), LogHeader());
    std::uint32_t next[2] = {0, 100000};
    for (std::size_t r = 1; r < rows->size(); ++r) {
        const CsvRow& row = (*rows)[r];
        ASSERT_EQ(row.size(), 12u) << r;
        const std::uint32_t serial = static_cast<std::uint32_t>(std::stoul(row[8]));
        std::uint32_t& expected = next[serial >= 100000 ? 1 : 0];
        ASSERT_EQ(row, LogFields(SampleRow(expected))) << r;  // each writer's rows in order
        ++expected;
    }
    EXPECT_EQ(std::tuple(next[0], next[1]), std::tuple(kRows, 100000 + kRows));
    for (std::uint32_t i = 0; i < kRows; ++i) {
        const auto fresh = ParseCsv(Slurp(path + std::to_string(i)));
        ASSERT_TRUE(fresh && fresh->size() == 3 && fresh->front() == LogHeader()) << i;
    }
}

TEST(ProductionLog, FolderReadOnlyAndMissingFolderSayWhyInTheUsersLanguage) {
    TempDir dir;
    const std::string folder = dir.path.string();
    EXPECT_EQ(AppendLogRow(folder, SampleRow(1), UiLanguage::Chinese),
              SayText(UiLanguage::Chinese, Text::ProductionLogIsFolder, {folder}));
    // Root may write a file of mode 0444; sysfs refuses even root.
    std::string readOnly = (dir.path / "kept.csv").string();
    if (::geteuid() == 0) {
        readOnly = "/sys/kernel/notes";
    } else {
        std::ofstream(readOnly) << "x\r\n";
        fs::permissions(readOnly, fs::perms::owner_read);
    }
    EXPECT_EQ(AppendLogRow(readOnly, SampleRow(1), UiLanguage::English),
              SayText(UiLanguage::English, Text::ProductionLogReadOnly, {readOnly}));
    const std::string missing = (dir.path / "no" / "log.csv").string();
    EXPECT_EQ(AppendLogRow(missing, SampleRow(1), UiLanguage::English),
              SayText(UiLanguage::English, Text::ProductionLogNotWritten,
                      {missing, "No such file or directory"}));
    EXPECT_FALSE(fs::exists(dir.path / "no"));
}

// The boxes of a gang record from their own threads at once: rows whole under one header,
// each in its language; a result keeps the breaks inside its message, not the one ending it.
TEST(UnitAttempt, ThreadsRecordWholeRowsInTheirLanguage) {
    TempDir dir;
    const std::string path = (dir.path / "gang.csv").string();
    constexpr std::uint32_t kThreads = 4;
    constexpr std::uint32_t kRows = 150;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (std::uint32_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const bool chinese = t % 2 == 1;
            for (std::uint32_t i = 0; i < kRows; ++i) {
                UnitAttempt a;
                a.port = "/dev/ttyS" + std::to_string(t);
                a.result = chinese ? Message::InfoAddressOutside1000 : Message::VerifyDone;
                if (!chinese) a.serial = t * 1000 + i;
                a.durationMs = i;
                if (RecordUnitAttempt(path, a, chinese ? UiLanguage::Chinese : UiLanguage::English))
                    ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    const auto rows = ParseCsv(Slurp(path));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), kThreads * kRows + 1);
    EXPECT_EQ(rows->front(), LogHeader());
    std::uint32_t next[kThreads] = {};
    for (std::size_t r = 1; r < rows->size(); ++r) {
        const CsvRow& row = (*rows)[r];
        ASSERT_EQ(row.size(), 12u) << r;
        const auto t = static_cast<std::uint32_t>(row[2].back() - '0');
        ASSERT_LT(t, kThreads) << row[2];
        const std::uint32_t i = next[t]++;  // each thread's rows in its order
        const CsvRow want =
            t % 2 == 1 ? CsvRow{"", "3", "出错：\r\n产品信息存放地址必须在0x1000-0x10e8之间！"}
                       : CsvRow{std::to_string(t * 1000 + i), "27", "Verifying successful!"};
        ASSERT_EQ((CsvRow{row[8], row[9], row[10]}), want) << r;
        ASSERT_EQ(row[11], std::to_string(i)) << r;
    }
}

// The serial column holds the number whose record went out, also when a later step failed;
// with the information flash protected the counter moves on but no chip holds a number.
TEST(UnitAttempt, SerialIsTheNumberTheChipMayHold) {
    ops::OperationInputs in;
    in.mode = ops::ProgrammingMode::Sbw;
    ops::RunOutcome run;
    run.result = ops::Result::Failed;
    run.message = Message::InfoVerifyFailed;
    run.serialAdvanced = true;
    run.usedSerial = 41;
    run.boxIdentification = "KX_VELDRAN V02.73A";
    const UnitAttempt failed = AttemptOfRun(in, run);
    EXPECT_EQ(std::tuple(failed.serial, failed.result, failed.mode, failed.device, failed.box),
              std::tuple(std::optional<std::uint32_t>(41), Message::InfoVerifyFailed, "SBW",
                         "F1101", "KX_VELDRAN V02.73A"));
    in.protectInfo = true;
    EXPECT_EQ(AttemptOfRun(in, run).serial, std::nullopt);
    in.protectInfo = false;
    run.serialAdvanced = false;
    EXPECT_EQ(AttemptOfRun(in, run).serial, std::nullopt);
}

}  // namespace
}  // namespace kx::production
