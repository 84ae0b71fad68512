// Command-line parsing and how options combine with the settings file and the device.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_inputs.h"
#include "cli/cli_options.h"

namespace kx::cli {
namespace {

using Args = std::vector<std::string_view>;

TEST(CliParse, ValueFormsAndUsageErrors) {
    ParseResult r =
        ParseArguments(Args{"--device", "F149", "program", "app.txt", "--mode=sbw", "--port",
                            "/dev/a", "--port=/dev/b", "--erase", "--no-erase", "--lang", "zh"},
                       UiLanguage::English);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.command, CommandKind::Program);
    EXPECT_EQ(r.options.file, "app.txt");
    EXPECT_EQ(r.options.mode, ops::ProgrammingMode::Sbw);
    EXPECT_EQ(r.options.ports, (std::vector<std::string>{"/dev/a", "/dev/b"}));
    EXPECT_EQ(r.options.erase, false);           // the later switch wins
    EXPECT_FALSE(r.options.verify.has_value());  // untouched: the settings file decides
    EXPECT_EQ(r.options.language, UiLanguage::Chinese);
    // Errors speak a --lang read before them, else the caller's language.
    EXPECT_EQ(ParseArguments(Args{"--lang", "zh", "flash"}, UiLanguage::English).error,
              ParseArguments(Args{"flash"}, UiLanguage::Chinese).error);
    EXPECT_TRUE(ParseArguments(Args{"flash"}, UiLanguage::Chinese).error.starts_with("未知命令"));

    Args nine{"find"};
    for (int i = 0; i < 9; ++i) nine.insert(nine.end(), {"--port", "/dev/x"});
    const std::vector<std::pair<Args, std::string>> bad{
        {{}, "no command"},
        {{"program"}, "needs a TI-TXT file"},
        {{"read", "--allow-outside"}, "program and download"},
        {{"download", "f", "--count-limit", "123456"}, "0..99999"},
        {{"program", "f", "--protect-info", "--product-info"}, "exclude"},
        {{"read", "--by-device", "--address", "1000"}, "--by-device"},
        {nine, "at most 8"},
        {{"read", "--serial-source", "postgres://h/db"}, "only goes with program"},
        {{"program", "f", "--serial-source", "postgres://h/db", "--no-save"}, "not go together"},
        // Refused without echoing the address, which may hold a password.
        {{"program", "f", "--serial-source", "mysql://u:pw@h/db"}, "postgresql://... or"},
        {{"read", "--gang"}, "--gang works only with program"},
        {{"program", "f", "--repeat"}, "--repeat works only with --gang"},
        {{"program", "f", "--gang", "--port", "/dev/a", "--port", "/dev/a"}, "given twice"},
    };
    for (const auto& [args, message] : bad) {
        r = ParseArguments(args, UiLanguage::English);
        EXPECT_FALSE(r.ok) << message;
        EXPECT_NE(r.error.find(message), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find("pw@"), std::string::npos) << r.error;
    }
}

TEST(CliDevice, RowsNamesAndVariants) {
    std::string error;
    for (const auto& [text, row] : std::vector<std::pair<std::string_view, int>>{
             {"99", 99}, {"msp430f1101", 0}, {"F149", 13}, {"F1491", 13}, {"F2619", 49}}) {
        EXPECT_EQ(ResolveDevice(text, UiLanguage::English, &error), row)
            << text;  // name, its base or a variant
    }
    EXPECT_FALSE(ResolveDevice("100", UiLanguage::English, &error));
    EXPECT_FALSE(ResolveDevice("F14", UiLanguage::English, &error));  // F147, F148, F149, ...
    EXPECT_NE(error.find("ambiguous"), std::string::npos);
}

class CliInputs : public ::testing::Test {
  protected:
    std::optional<ResolvedInputs> Inputs(const Args& args) {
        const ParseResult r = ParseArguments(args, UiLanguage::English);
        EXPECT_TRUE(r.ok) << r.error;
        return BuildInputs(r.options, s_, UiLanguage::English, &error_);
    }
    settings::Settings s_{.erase = false,
                          .serial = 777,
                          .infoAddress = 0x10E8,
                          .readStyle = settings::ReadStyle::ByDevice,
                          .deviceRow = 13};  // F149: JTAG and BSL
    std::string error_;
};

TEST_F(CliInputs, SettingsGiveDefaultsAndOptionsOverride) {
    auto r = Inputs({"program", "f"});
    ASSERT_TRUE(r) << error_;
    EXPECT_EQ(r->inputs.mode, ops::ProgrammingMode::Jtag);
    EXPECT_FALSE(r->inputs.erase);
    EXPECT_EQ(r->inputs.serial, 777u);
    EXPECT_EQ(r->inputs.infoAddressText, "10e8");
    EXPECT_TRUE(r->inputs.eraseSegA);  // F149 has no choice: always sent

    r = Inputs({"program", "f", "--device", "F2619", "--erase", "--serial", "FF", "--serial-hex",
                "--info-address", "10a0"});
    ASSERT_TRUE(r) << error_;
    EXPECT_TRUE(r->inputs.erase);
    EXPECT_EQ(r->inputs.serial, 0xFFu);
    EXPECT_EQ(r->inputs.infoAddressText, "10A0");
    EXPECT_FALSE(r->inputs.eraseSegA);  // F2619 offers the choice: kept unless asked

    r = Inputs({"read"});
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->inputs.readByDevice);
    EXPECT_EQ(r->inputs.readLengthText, "EF00");
    r = Inputs({"read", "--address", "fc10", "--length", "20"});
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->inputs.readByDevice);  // an address means reading by address
    EXPECT_EQ(r->inputs.readAddressText, "FC10");

    // Product information and protection exclude each other, as the window's boxes do.
    s_.protectInfo = true;
    r = Inputs({"program", "f", "--product-info"});
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->inputs.protectInfo);
}

TEST_F(CliInputs, ChoicesTheWindowWouldNotAllowAreRefused) {
    EXPECT_FALSE(Inputs({"program", "f", "--mode", "sbw"}));
    EXPECT_NE(error_.find("JTAG BSL"), std::string::npos) << error_;
    for (const Args& args : std::vector<Args>{
             {"program", "f", "--mode", "bsl", "--fuse"},
             {"program", "f", "--no-erase-seg-a"},
             {"program", "f", "--name", "ABCDEFGHIJKLMNOPQRST"},  // 20 bytes
             {"program", "f", "--name", "编程器编程器编程器编"},  // 20 GBK bytes
             {"program", "f", "--serial", "4294967296"},
             {"program", "f", "--info-address", "10000"},
             {"read", "--address", "12345"},  // 5 digits on a 16-bit device
         }) {
        EXPECT_FALSE(Inputs(args)) << args[2];
    }
    EXPECT_TRUE(Inputs({"program", "f", "--name", "编程器编程器编程器"}));
    // Numbers from a shared sequence are only taken when they are counted.
    EXPECT_FALSE(Inputs({"program", "f", "--product-info", "--serial-source", "postgres://h/d"}));
    EXPECT_TRUE(Inputs({"program", "f", "--product-info", "--auto-increment", "--serial-source",
                        "postgresql:///d?host=/run/pg"}));
    EXPECT_TRUE(Inputs({"read", "--device", "F2619", "--address", "12345"}));
}

}  // namespace
}  // namespace kx::cli
