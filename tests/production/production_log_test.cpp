#include "production/production_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
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

// Two programs of two threads each (a gang) appending to one new log at once: every row whole,
// one header. Each also starts a fresh log per row, so that creating a log races many times.
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
            std::atomic<int> failures{0};
            const auto writer = [&](std::uint32_t w) {
                for (std::uint32_t i = w; i < kRows; i += 2) {
                    const LogRow row = SampleRow(c * 100000 + w * 50000 + i);
                    const std::string fresh = path + std::to_string(i);
                    if (AppendLogRow(path, row, UiLanguage::English) ||
                        AppendLogRow(fresh, row, UiLanguage::English)) {
                        ++failures;
                    }
                }
            };
            std::thread other(writer, 1);
            writer(0);
            other.join();
            ::_exit(failures == 0 ? 0 : 4);
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
    std::uint32_t next[4] = {0, 50001, 100000, 150001};  // per process and thread
    for (std::size_t r = 1; r < rows->size(); ++r) {
        const CsvRow& row = (*rows)[r];
        ASSERT_EQ(row.size(), 12u) << r;
        std::uint32_t& expected = next[std::stoul(row[8]) / 50000];
        ASSERT_EQ(row, LogFields(SampleRow(expected))) << r;  // each writer's rows in order
        expected += 2;
    }
    EXPECT_EQ(std::vector<std::uint32_t>(next, next + 4),
              (std::vector<std::uint32_t>{kRows, 50001 + kRows, 100000 + kRows, 150001 + kRows}));
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
    // A FIFO nobody reads is refused at once rather than waited on.
    const std::string fifo = (dir.path / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(CheckLogWritable(fifo, UiLanguage::English),
              SayText(UiLanguage::English, Text::ProductionLogNotWritten,
                      {fifo, "No such device or address"}));
}

// A unit's row: the result in the run's language, keeping the line breaks inside a message but
// not the one ending it; the serial is the number whose record went out, also when a later
// step failed, and none with the information flash protected.
TEST(UnitAttempt, RowSaysTheResultAndTheNumberTheChipMayHold) {
    TempDir dir;
    const std::string path = (dir.path / "unit.csv").string();
    ops::OperationInputs in;
    in.mode = ops::ProgrammingMode::Sbw;
    ops::RunOutcome run{.result = ops::Result::Failed,
                        .targetChipId = 0xF112,
                        .boxIdentification = "KX_VELDRAN V02.73A",
                        .serialAdvanced = true,
                        .usedSerial = 41,
                        .recordSerial = 41,
                        .message = Message::InfoAddressOutside1000};
    // Local time with its offset, sign and colon included.
    ::setenv("TZ", "America/New_York", 1);
    ::tzset();
    UnitAttempt first = AttemptOfRun(in, run);
    first.started = 1714543387;
    ASSERT_EQ(RecordUnitAttempt(path, first, UiLanguage::Chinese), std::nullopt);
    in.protectInfo = true;
    run.recordSerial.reset();
    run.message = Message::VerifyDone;
    ASSERT_EQ(RecordUnitAttempt(path, AttemptOfRun(in, run), UiLanguage::English), std::nullopt);
    const auto rows = ParseCsv(Slurp(path));
    ASSERT_TRUE(rows && rows->size() == 3 && rows->front() == LogHeader());
    EXPECT_EQ((*rows)[1][0], "2024-05-01T02:03:07-04:00");
    ::setenv("TZ", "Asia/Shanghai", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime(1714543387), "2024-05-01T14:03:07+08:00");
    ::unsetenv("TZ");
    ::tzset();
    const auto tail = [](const CsvRow& row) { return CsvRow(row.begin() + 3, row.end() - 1); };
    EXPECT_EQ(tail((*rows)[1]), (CsvRow{"KX_VELDRAN V02.73A", "F1101", "F112", "SBW", "", "41", "3",
                                        "出错：\r\n产品信息存放地址必须在0x1000-0x10e8之间！"}));
    EXPECT_EQ(tail((*rows)[2]), (CsvRow{"KX_VELDRAN V02.73A", "F1101", "F112", "SBW", "", "", "27",
                                        "Verifying successful!"}));
}

}  // namespace
}  // namespace kx::production
