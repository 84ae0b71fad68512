#include "settings/settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>

#include "common/atomic_file.h"
#include "settings/serial_counter.h"
#include "settings/settings_file.h"
#include "settings/settings_text.h"

namespace kx::settings {
namespace {
namespace fs = std::filesystem;

constexpr UiLanguage kEnglish = UiLanguage::English;

Settings Read(const std::string& text) {
    return SettingsFromDocument(IniDocument::Parse(text));
}

TEST(IniDocument, FindsAndSetsKeysKeepingEverythingElse) {
    // Names ignore case and the first match wins; a GBK line (你好) becomes UTF-8, a line that
    // is neither stays byte for byte.
    auto doc = IniDocument::Parse(
        "\xEF\xBB\xBFtop=0\r\n[Bool]\r\n  Erase = 2  \r\n; erase=5\r\nerase=3\r\nrun='q'\r\n"
        "beep=\"x\r\n[broken\r\nprog=1\r\n\r\n; next\r\n[other]\r\nerase=4\r\n"
        "[zzz]\r\nname=\xC4\xE3\xBA\xC3\r\nraw=\xFF\xFE\r\n[bool]\r\nrun=late\r\n");
    EXPECT_EQ(doc.Get("bool", "ERASE"), "2");
    EXPECT_EQ(doc.Get("OTHER", "erase"), "4");
    EXPECT_EQ(doc.Get("bool", "run"), "q");     // a pair of quotes is dropped
    EXPECT_EQ(doc.Get("bool", "beep"), "\"x");  // a single one is not
    EXPECT_EQ(doc.Get("bool", "prog"), "1");    // "[broken" is no header
    EXPECT_FALSE(doc.Get("", "top"));           // keys before any section belong nowhere
    EXPECT_FALSE(doc.Get("bool", "missing"));
    EXPECT_EQ(doc.Get("zzz", "name"), "\xE4\xBD\xA0\xE5\xA5\xBD");

    doc.Set("bool", "erase", "1");     // replaced, spelling of the key kept
    doc.Set("bool", "verify", "1");    // added after the first section's last key
    doc.Set("number", "device", "5");  // new section at the end
    doc.Set("zzz", "text", "  padded ");
    doc.Set("zzz", "multi", std::string_view("line\r\nbreak\0x", 14));
    EXPECT_EQ(doc.Serialize(),
              "\xEF\xBB\xBFtop=0\r\n[Bool]\r\nErase=1\r\n; erase=5\r\nerase=3\r\nrun='q'\r\n"
              "beep=\"x\r\n[broken\r\nprog=1\r\nverify=1\r\n\r\n; next\r\n[other]\r\nerase=4\r\n"
              "[zzz]\r\nname=\xE4\xBD\xA0\xE5\xA5\xBD\r\nraw=\xFF\xFE\r\n"
              "text=\"  padded \"\r\nmulti=linebreakx\r\n[bool]\r\nrun=late\r\n\r\n"
              "[number]\r\ndevice=5\r\n");
}

TEST(Settings, NumbersFollowTheProfileRules) {
    // supply_vcc is not a number: 0.
    const Settings want{.supplyPower = false, .program = false, .serialStyle = SerialStyle::Hex};
    EXPECT_EQ(Read("[BOOL]\nerase=2\nsupply_vcc=abc\nverify=\nrun=-1\nprog= 0 \n"
                   "product_num_style=7\n"),
              want);

    // The serial number reads unsigned, so the top half survives, and saturates rather than
    // wraps; the device row falls back to the first one outside 0..99.
    constexpr std::uint32_t kTop = 0xFFFFFFFF;
    const std::tuple<std::string, std::uint32_t, int> rows[] = {
        {"99", 99, 99},          {"100", 100, 0}, {"-1", kTop, 0},
        {"4294967295", kTop, 0}, {"abc", 0, 0},   {"4294967395", kTop, 0},
        {"12abc", 12, 12},       {"+7", 7, 7},    {"", 12345, 0}};
    for (const auto& [text, serial, row] : rows) {
        const Settings s = Read("[number]\nproduct_num=" + text + "\ndevice=" + text + "\n");
        EXPECT_EQ(std::tie(s.serial, s.deviceRow), std::tie(serial, row)) << text;
    }
}

TEST(Settings, ProductNameIsCutToWhatTheBoxHolds) {
    const std::string nineteen = "ABCDEFGHIJKLMNOPQRS";
    std::string wide;  // eight double-byte characters: 16 GBK bytes, 24 in UTF-8
    for (int i = 0; i < 8; ++i) wide += "\xE6\xB5\x8B";
    EXPECT_EQ(Read("[STRING]\nproduct_name=" + nineteen + "TU\n").productName, nineteen);
    EXPECT_EQ(Read("[STRING]\nproduct_name=" + wide + "ABCD\n").productName, wide + "ABC");
    for (const std::string& name : {nineteen, std::string(" padded "), std::string("'quoted'")}) {
        IniDocument doc;
        WriteSettings(Settings{.productName = name}, doc);
        EXPECT_EQ(Read(doc.Serialize()).productName, name);
    }
}

TEST(Settings, DisplayForms) {
    // 0x110E8: the stored address keeps its low 16 bits.
    EXPECT_EQ(InfoAddressDisplayText(Read("[number]\ninfo_addr=69864\n").infoAddress), "10e8");
    EXPECT_EQ(InfoAddressFromText("10E8"), 4328);
    EXPECT_EQ(InfoAddressFromText(""), 0);
    EXPECT_FALSE(InfoAddressFromText("10000"));
    EXPECT_FALSE(InfoAddressFromText("10g8"));
    const Settings s = Read("[BOOL]\nproduct_num_style=1\n[number]\nproduct_num=255\n");
    EXPECT_EQ(SerialDisplayText(s.serial, s.serialStyle), "FF");
}

std::string Slurp(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(unreadable)";
}

class SettingsFile : public testing::Test {
  protected:
    void SetUp() override { fs::create_directory(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    const fs::path dir_ = fs::temp_directory_path() / ("kx_settings_" + std::to_string(::getpid()));
};

TEST_F(SettingsFile, NoFileGivesDefaultsAndClosingWritesTheFullLayout) {
    const std::string path = PathOf("sub/KX_VELDRAN/KX_VELDRAN.ini");  // folders made on save
    LoadedSettings loaded = LoadSettingsFile(path, kEnglish);
    EXPECT_TRUE(!loaded.fileFound && loaded.error.empty()) << loaded.error;
    std::string error;
    ASSERT_TRUE(SaveSettingsFile(path, loaded.document, loaded.settings, kEnglish, &error))
        << error;
    // The written text pins every default value.
    EXPECT_EQ(Slurp(path),
              "[BOOL]\nid_increase=0\nsupply_vcc=1\nsave_info_flash=0\nerase=1\nprog=1\n"
              "verify=1\nproduct_id=0\nrun=1\nBeep=0\nproduct_num_style=0\nread_style=0\n\n"
              "[STRING]\nproduct_name=KX_VELDRAN\n\n"
              "[number]\nproduct_num=12345\ninfo_addr=4096\ndevice=0\n");
    EXPECT_EQ(LoadSettingsFile(path, kEnglish).settings, Settings{});
}

TEST_F(SettingsFile, WindowsFileIsReadAndItsUnknownContentKept) {
    const char* data = std::getenv("KX_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string path = PathOf("KX_VELDRAN.ini");
    fs::copy_file(fs::path(data) / "settings/windows_gbk.ini", path);

    LoadedSettings loaded = LoadSettingsFile(path, kEnglish);
    ASSERT_TRUE(loaded.fileFound);
    Settings s = loaded.settings;
    EXPECT_EQ(
        std::tie(s.autoIncrement, s.erase, s.beep, s.program, s.productName, s.serial,
                 s.serialStyle, s.infoAddress, s.deviceRow),
        std::make_tuple(true, true, true, false, "测试产品ABC", 255u, SerialStyle::Hex, 4328, 99));

    s.serial = 256;
    ASSERT_TRUE(SaveSettingsFile(path, loaded.document, s, kEnglish));
    const std::string text = Slurp(path);
    for (const char* kept : {"; written by the programmer on a Chinese system\r\n[bool]\r\n",
                             "erase=1\r\n", "owner_note=样机\r\n", "[Extra]\r\nwho=质检\r\n",
                             "product_name=测试产品ABC\r\n", "PRODUCT_NUM=256\r\n"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " missing from\n" << text;
    }
    EXPECT_EQ(text.find("[BOOL]"), std::string::npos);  // no second copy of a section
    EXPECT_EQ(LoadSettingsFile(path, kEnglish).settings, s);
}

TEST_F(SettingsFile, FailedWritesReportAndLeaveTheOldFile) {
    const std::string path = PathOf("KX_VELDRAN.ini");
    ASSERT_TRUE(WriteFileAtomically(path, "[number]\nproduct_num=77\n"));
    const Settings s{.serial = 4242};
    IniDocument doc;
    std::string error;

    // A write that runs out of room half-way (root ignores permissions, not size limits).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit tiny{16, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const bool saved = SaveSettingsFile(path, doc, s, kEnglish, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find("4242"), std::string::npos) << error;
    EXPECT_EQ(Slurp(path), "[number]\nproduct_num=77\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);  // no temporary file left

    ASSERT_TRUE(WriteFileAtomically(PathOf("plain"), "x"));
    EXPECT_FALSE(SaveSettingsFile(PathOf("plain/KX_VELDRAN.ini"), doc, s, kEnglish, &error));
    EXPECT_NE(error.find("plain/KX_VELDRAN.ini"), std::string::npos) << error;
    fs::create_directory(PathOf("adir"));
    EXPECT_FALSE(SaveSettingsFile(PathOf("adir"), doc, s, kEnglish, &error));
    EXPECT_NE(ReserveSerial(PathOf("adir"), {}, kEnglish).error.find("not a regular file"),
              std::string::npos);

    // A file kept read-only stays so, as it was; one the user may write keeps mode and owner.
    for (const fs::perms mode : {fs::perms(0444), fs::perms(0400)}) {
        fs::permissions(path, mode);
        EXPECT_FALSE(SaveSettingsFile(path, doc, s, kEnglish, &error));
        EXPECT_NE((error + ReserveSerial(path, {}, kEnglish).error).find("read-only"),
                  std::string::npos);
        // Every layer passes the language on, down to why the file was not written.
        EXPECT_NE(CheckCounterWritable(path, {}, UiLanguage::Chinese).error.find("是只读的"),
                  std::string::npos);
        EXPECT_EQ(fs::status(path).permissions(), mode);
        EXPECT_EQ(Slurp(path), "[number]\nproduct_num=77\n");
    }
    fs::permissions(path, fs::perms(0664));
    ASSERT_EQ(::chown(path.c_str(), 4321, 8765), 0);  // someone else's (root may do this)
    ASSERT_TRUE(ReserveSerial(path, {}, kEnglish).ok);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(std::tie(st.st_uid, st.st_gid, st.st_mode), std::make_tuple(4321u, 8765u, 0100664u));
    EXPECT_EQ(Slurp(path), "[number]\nproduct_num=78\n");
}

TEST_F(SettingsFile, CounterIsTakenGivenBackAndReadOnlyAsAPlainNumber) {
    const std::string real = PathOf("real.ini");
    const std::string path = PathOf("KX_VELDRAN.ini");
    ASSERT_TRUE(WriteFileAtomically(real, "[number]\r\nproduct_num=100\r\ndevice=abc\r\n"));
    fs::create_symlink(real, path);  // kept elsewhere through a link, which stays a link
    const auto take = [&](std::optional<std::uint32_t> typed) {
        const CounterResult r = ReserveSerial(path, typed, kEnglish);
        EXPECT_TRUE(r.ok) << r.error;
        return r.number;
    };
    EXPECT_EQ(take(std::nullopt), 100u);
    EXPECT_EQ(LoadSettingsFile(path, kEnglish).settings.serial, 101u);
    EXPECT_EQ(take(4000000000u), 4000000000u);  // a typed number wins
    EXPECT_TRUE(ReleaseSerial(path, 4000000000u));
    EXPECT_EQ(take(std::nullopt), 4000000000u);  // given back, so taken again
    EXPECT_EQ(take(std::nullopt), 4000000001u);
    EXPECT_FALSE(ReleaseSerial(path, 4000000000u));  // a later one was taken: not given back
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(Slurp(real), "[number]\r\nproduct_num=4000000002\r\ndevice=abc\r\n");

    // What cannot be read as the counter is refused, not guessed, until a number is given.
    for (const std::string bad : {"abc", "0x100", "4294967296", "-1", "12abc", "", "1 2"}) {
        ASSERT_TRUE(WriteFileAtomically(real, "[number]\nproduct_num=" + bad + "\n"));
        const CounterResult r = ReserveSerial(path, std::nullopt, kEnglish);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.before.state, CounterState::Unreadable) << bad;
        EXPECT_NE(r.error.find("product_num"), std::string::npos) << r.error;
        EXPECT_EQ(LoadSettingsFile(path, kEnglish).counter.raw, bad);
    }
    for (const std::string& junk : {std::string("\x7F"
                                                "ELF\x02\x01\0\0[x]\n",
                                                12),
                                    std::string("hello")}) {
        ASSERT_TRUE(WriteFileAtomically(real, junk));
        EXPECT_EQ(ReserveSerial(path, std::nullopt, kEnglish).before.state,
                  CounterState::Unreadable);
    }
    EXPECT_EQ(take(9), 9u);
    EXPECT_EQ(LoadSettingsFile(path, kEnglish).counter.value, 10u);
    ASSERT_TRUE(WriteFileAtomically(real, "[number]\nproduct_num= 4294967295 \n"));
    EXPECT_EQ(take(std::nullopt), 4294967295u);
    EXPECT_EQ(LoadSettingsFile(path, kEnglish).counter.value, 0u);  // wraps, as the counter does
}

TEST_F(SettingsFile, WindowSaveKeepsTheFilesCounterUnlessANumberWasTyped) {
    const std::string path = PathOf("KX_VELDRAN.ini");
    // The production log is set by editing the file; no save may drop it.
    ASSERT_TRUE(WriteFileAtomically(
        path, "[number]\nproduct_num=103\n[line]\nstation=7\n[string]\nProduction_Log=l/a.csv\n"));
    const Settings window{.erase = false, .serial = 100};  // opened when the file said 100
    CounterReading before;
    std::string error;
    // A fresh account has no settings folder yet: the first save and the first serial make it.
    ASSERT_TRUE(SaveSettingsUnderLock(PathOf("config/KX_VELDRAN/KX_VELDRAN.ini"), window, false,
                                      kEnglish, &before, &error))
        << error;
    EXPECT_TRUE(ReserveSerial(PathOf("home/.config/KX_VELDRAN/KX_VELDRAN.ini"), 5, kEnglish).ok);

    ASSERT_TRUE(SaveSettingsUnderLock(path, window, false, kEnglish, &before, &error)) << error;
    EXPECT_EQ(before.value, 103u);
    LoadedSettings now = LoadSettingsFile(path, kEnglish);
    EXPECT_EQ(now.settings, (Settings{.erase = false, .serial = 103, .productionLog = "l/a.csv"}));
    EXPECT_EQ(now.document.Get("line", "station"), "7");  // written into the file as it is now

    ASSERT_TRUE(SaveSettingsUnderLock(path, window, true, kEnglish, &before, &error)) << error;
    ASSERT_TRUE(ReserveSerial(path, std::nullopt, kEnglish).ok);
    now = LoadSettingsFile(path, kEnglish);
    EXPECT_EQ(std::tie(now.settings.serial, now.settings.productionLog),
              std::make_tuple(101u, "l/a.csv"));
    // A relative log lies beside the settings file, wherever the program was started.
    EXPECT_EQ(std::tuple(ProductionLogPath("l/a.csv", path), ProductionLogPath("/v/b.csv", path),
                         ProductionLogPath("", path)),
              std::tuple(PathOf("l/a.csv"), "/v/b.csv", ""));

    ASSERT_TRUE(WriteFileAtomically(path, "[number]\nproduct_num=junk\n"));
    ASSERT_TRUE(SaveSettingsUnderLock(path, window, false, kEnglish, &before, &error)) << error;
    now = LoadSettingsFile(path, kEnglish);
    EXPECT_EQ(std::tie(now.counter.state, now.counter.raw, now.settings.erase),
              std::make_tuple(CounterState::Unreadable, "junk", false));
}

TEST(SettingsPathChoice, OverrideThenPortableThenConfigFolder) {
    const std::pair<PathInputs, std::string> cases[] = {
        {{"", "/opt/kx", true, "/cfg", "/root"}, "/opt/kx/KX_VELDRAN.ini"},
        {{"", "/opt/kx", false, "/cfg", "/root"}, "/cfg/KX_VELDRAN/KX_VELDRAN.ini"},
        {{"", "/opt/kx", false, "cfg", "/root"}, "/root/.config/KX_VELDRAN/KX_VELDRAN.ini"},
        {{"", "/opt/kx", false, "cfg", ""}, "/opt/kx/KX_VELDRAN.ini"},
        {{"/tmp/x.ini", "/opt/kx", true, "/cfg", "/root"}, "/tmp/x.ini"}};
    for (const auto& [in, path] : cases) EXPECT_EQ(ChooseSettingsPath(in), path);
    ::setenv("KX_VELDRAN_SETTINGS", "/somewhere/else.ini", 1);
    EXPECT_EQ(SettingsPath(), "/somewhere/else.ini");
    ::unsetenv("KX_VELDRAN_SETTINGS");
}

}  // namespace
}  // namespace kx::settings
