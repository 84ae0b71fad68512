// Command-line parsing and how options combine with the settings file and the device.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_inputs.h"
#include "cli/cli_options.h"

namespace kx::cli {
namespace {

ParseResult Parse(std::initializer_list<std::string_view> args) {
    return ParseArguments(std::vector<std::string_view>(args));
}

TEST(CliParse, ValueFormsAndUsageErrors) {
    ParseResult r = Parse({"--device", "F149", "program", "app.txt", "--mode=sbw", "--port",
                           "/dev/a", "--port=/dev/b", "--erase", "--no-erase", "--lang", "zh"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.command, CommandKind::Program);
    EXPECT_EQ(r.options.file, "app.txt");
    EXPECT_EQ(r.options.mode, ops::ProgrammingMode::Sbw);
    EXPECT_EQ(r.options.ports, (std::vector<std::string>{"/dev/a", "/dev/b"}));
    EXPECT_EQ(r.options.erase, false);           // the later switch wins
    EXPECT_FALSE(r.options.verify.has_value());  // untouched: the settings file decides
    EXPECT_EQ(r.options.language, UiLanguage::Chinese);
    r = Parse({"download", "--", "-odd.txt"});
    EXPECT_EQ(r.options.file, "-odd.txt");

    const std::vector<std::pair<std::vector<std::string_view>, std::string>> bad{
        {{}, "no command"},
        {{"flash"}, "unknown command 'flash'"},
        {{"program"}, "needs a TI-TXT file"},
        {{"read", "--mode", "uart"}, "jtag, bsl or sbw"},
        {{"read", "--erase=no"}, "takes no value"},
        {{"program", "f", "-o", "x"}, "read command"},
        {{"download", "f", "--count-limit", "123456"}, "0..99999"},
        {{"program", "f", "--protect-info", "--product-info"}, "exclude"},
        {{"read", "--by-device", "--address", "1000"}, "--by-device"},
    };
    for (const auto& [args, message] : bad) {
        r = ParseArguments(args);
        EXPECT_FALSE(r.ok) << message;
        EXPECT_NE(r.error.find(message), std::string::npos) << r.error;
    }
    std::vector<std::string_view> nine{"find"};
    for (int i = 0; i < 9; ++i) nine.insert(nine.end(), {"--port", "/dev/x"});
    EXPECT_NE(ParseArguments(nine).error.find("at most 8"), std::string::npos);
}

TEST(CliDevice, RowsNamesAndVariants) {
    std::string error;
    EXPECT_EQ(ResolveDevice("99", &error), 99);
    EXPECT_EQ(ResolveDevice("msp430f1101", &error), 0);
    EXPECT_EQ(ResolveDevice("F149", &error), 13);   // the name before the parenthesis
    EXPECT_EQ(ResolveDevice("F1491", &error), 13);  // a variant inside it
    EXPECT_EQ(ResolveDevice("F2619", &error), 49);
    EXPECT_FALSE(ResolveDevice("100", &error));
    EXPECT_FALSE(ResolveDevice("F14", &error));  // F147, F148, F149, ...
    EXPECT_NE(error.find("ambiguous"), std::string::npos);
}

std::optional<ResolvedInputs> Inputs(const std::vector<std::string_view>& args,
                                     const settings::Settings& s, std::string* error) {
    const ParseResult r = ParseArguments(args);
    EXPECT_TRUE(r.ok) << r.error;
    return BuildInputs(r.options, s, error);
}

TEST(CliInputs, SettingsGiveDefaultsAndOptionsOverride) {
    settings::Settings s;
    s.device = 13;  // F149
    s.erase = false;
    s.productNum = 777;
    s.infoAddr = 0x10E8;
    s.readStyle = settings::ReadStyle::ByDevice;
    std::string error;

    auto r = Inputs({"program", "f"}, s, &error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->imageEnd, 0x10000u);
    EXPECT_EQ(r->inputs.mode, ops::ProgrammingMode::Jtag);
    EXPECT_FALSE(r->inputs.erase);
    EXPECT_EQ(r->inputs.serial, 777u);
    EXPECT_EQ(r->inputs.infoAddressText, "10e8");
    EXPECT_TRUE(r->inputs.eraseSegA);  // F149 has no choice: always sent

    r = Inputs({"program", "f", "--device", "F2619", "--erase", "--serial", "FF", "--serial-hex",
                "--info-address", "10a0"},
               s, &error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->imageEnd, 0x20000u);
    EXPECT_TRUE(r->inputs.erase);
    EXPECT_EQ(r->inputs.serial, 0xFFu);
    EXPECT_EQ(r->inputs.infoAddressText, "10A0");
    EXPECT_FALSE(r->inputs.eraseSegA);  // F2619 offers the choice: kept unless asked

    r = Inputs({"read"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->inputs.readByDevice);
    EXPECT_EQ(r->inputs.readLengthText, "EF00");
    r = Inputs({"read", "--address", "fc10", "--length", "20"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->inputs.readByDevice);  // an address means reading by address
    EXPECT_EQ(r->inputs.readAddressText, "FC10");

    // Product information and protection exclude each other, as the window's boxes do.
    s.saveInfoFlash = true;
    r = Inputs({"program", "f", "--product-info"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->inputs.protectInfo);
}

TEST(CliInputs, ChoicesTheWindowWouldNotAllowAreRefused) {
    settings::Settings s;
    s.device = 13;  // F149: JTAG and BSL
    std::string error;
    EXPECT_FALSE(Inputs({"program", "f", "--mode", "sbw"}, s, &error));
    EXPECT_NE(error.find("JTAG BSL"), std::string::npos) << error;
    for (const auto& args : std::vector<std::vector<std::string_view>>{
             {"program", "f", "--mode", "bsl", "--fuse"},
             {"program", "f", "--no-erase-seg-a"},
             {"program", "f", "--name", "ABCDEFGHIJKLMNOPQRST"},  // 20 bytes
             {"program", "f", "--name", "编程器编程器编程器编"},  // 20 GBK bytes
             {"program", "f", "--serial", "4294967296"},
             {"program", "f", "--info-address", "10000"},
             {"read", "--address", "12345"},  // 5 digits on a 16-bit device
         }) {
        EXPECT_FALSE(Inputs(args, s, &error)) << args[2];
    }
    EXPECT_TRUE(Inputs({"program", "f", "--name", "编程器编程器编程器"}, s, &error));
    EXPECT_TRUE(Inputs({"read", "--device", "F2619", "--address", "12345"}, s, &error));
}

}  // namespace
}  // namespace kx::cli
