#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "common/atomic_file.h"

namespace kx::settings {
namespace {
namespace fs = std::filesystem;

class SettingsFile : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kx_settings_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Slurp(const std::string& path) {
        const auto bytes = ReadWholeFile(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : "(unreadable)";
    }
    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    fs::path dir_;
};

TEST_F(SettingsFile, NoFileGivesDefaultsAndClosingWritesTheFullLayout) {
    const std::string path = PathOf("sub/KX_VELDRAN/KX_VELDRAN.ini");  // folders made on save
    LoadedSettings loaded = LoadSettingsFile(path);
    EXPECT_FALSE(loaded.fileFound);
    EXPECT_EQ(loaded.error, "");
    // The written text below pins every default value.
    const Settings& s = loaded.settings;
    EXPECT_EQ(s, Settings{});

    std::string error;
    ASSERT_TRUE(SaveSettingsFile(path, loaded.document, s, &error)) << error;
    EXPECT_EQ(Slurp(path),
              "[BOOL]\nid_increase=0\nsupply_vcc=1\nsave_info_flash=0\nerase=1\nprog=1\n"
              "verify=1\nproduct_id=0\nrun=1\nBeep=0\nproduct_num_style=0\nread_style=0\n\n"
              "[STRING]\nproduct_name=KX_VELDRAN\n\n"
              "[number]\nproduct_num=12345\ninfo_addr=4096\ndevice=0\n");
    EXPECT_EQ(LoadSettingsFile(path).settings, s);
}

TEST_F(SettingsFile, WindowsFileIsReadAndItsUnknownContentKept) {
    const char* data = std::getenv("KX_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string path = PathOf("KX_VELDRAN.ini");
    fs::copy_file(fs::path(data) / "settings/windows_gbk.ini", path);

    LoadedSettings loaded = LoadSettingsFile(path);
    ASSERT_TRUE(loaded.fileFound);
    Settings s = loaded.settings;
    EXPECT_EQ(
        std::tie(s.idIncrease, s.erase, s.beep, s.prog, s.productName, s.productNum,
                 s.productNumStyle, s.infoAddr, s.device),
        std::make_tuple(true, true, true, false, "测试产品ABC", 255u, SerialStyle::Hex, 4328, 99));

    s.productNum = 256;
    ASSERT_TRUE(SaveSettingsFile(path, loaded.document, s));
    const std::string text = Slurp(path);
    for (const char* kept : {"; written by the programmer on a Chinese system\r\n[bool]\r\n",
                             "erase=1\r\n", "owner_note=样机\r\n", "[Extra]\r\nwho=质检\r\n",
                             "product_name=测试产品ABC\r\n", "PRODUCT_NUM=256\r\n"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " missing from\n" << text;
    }
    EXPECT_EQ(text.find("[BOOL]"), std::string::npos);  // no second copy of a section
    EXPECT_EQ(LoadSettingsFile(path).settings, s);
}

TEST_F(SettingsFile, FailedWritesReportAndLeaveTheOldFile) {
    const std::string path = PathOf("KX_VELDRAN.ini");
    Put(path, "[number]\nproduct_num=77\n");
    Settings s;
    s.productNum = 4242;
    IniDocument doc;
    std::string error;

    // A write that runs out of room half-way (root ignores permissions, not size limits).
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit tiny = old;
    tiny.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const bool saved = SaveSettingsFile(path, doc, s, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find("4242"), std::string::npos) << error;
    EXPECT_EQ(Slurp(path), "[number]\nproduct_num=77\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);  // no temporary file left

    Put(PathOf("plain"), "x");
    error.clear();
    EXPECT_FALSE(SaveSettingsFile(PathOf("plain/KX_VELDRAN.ini"), doc, s, &error));
    EXPECT_NE(error.find("plain"), std::string::npos) << error;

    fs::create_directory(PathOf("adir"));
    EXPECT_FALSE(SaveSettingsFile(PathOf("adir"), doc, s, &error));
    EXPECT_TRUE(fs::is_directory(PathOf("adir")));
    EXPECT_NE(LoadSettingsFile(PathOf("adir")).error, "");
    EXPECT_FALSE(SaveProductNum(PathOf("adir"), 5, &error));  // nothing it could read
}

TEST_F(SettingsFile, SerialAloneAndLinkedFiles) {
    const std::string real = PathOf("real.ini");
    const std::string link = PathOf("KX_VELDRAN.ini");
    Put(real, "[number]\r\nproduct_num=1\r\ndevice=abc\r\n");
    fs::create_symlink(real, link);

    std::string error;
    ASSERT_TRUE(SaveProductNum(link, 4000000000u, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(real), "[number]\r\nproduct_num=4000000000\r\ndevice=abc\r\n");
}

TEST(SettingsPathChoice, OverrideThenPortableThenConfigFolder) {
    PathInputs in{"", "/opt/kx", true, "/cfg", "/root"};
    EXPECT_EQ(ChooseSettingsPath(in), "/opt/kx/KX_VELDRAN.ini");
    in.executableFolderWritable = false;
    EXPECT_EQ(ChooseSettingsPath(in), "/cfg/KX_VELDRAN/KX_VELDRAN.ini");
    in.xdgConfigHome = "relative";
    EXPECT_EQ(ChooseSettingsPath(in), "/root/.config/KX_VELDRAN/KX_VELDRAN.ini");
    in.home = "";
    EXPECT_EQ(ChooseSettingsPath(in), "/opt/kx/KX_VELDRAN.ini");
    in.overridePath = "/tmp/x.ini";
    EXPECT_EQ(ChooseSettingsPath(in), "/tmp/x.ini");

    ::setenv("KX_VELDRAN_SETTINGS", "/somewhere/else.ini", 1);
    EXPECT_EQ(SettingsPath(), "/somewhere/else.ini");
    ::unsetenv("KX_VELDRAN_SETTINGS");
    EXPECT_EQ(fs::path(SettingsPath()).filename(), "KX_VELDRAN.ini");
}

}  // namespace
}  // namespace kx::settings
