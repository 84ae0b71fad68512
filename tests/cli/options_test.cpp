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
    const std::vector<std::string_view> v(args);
    return ParseArguments(v);
}

CliOptions Parsed(std::initializer_list<std::string_view> args) {
    ParseResult r = Parse(args);
    EXPECT_TRUE(r.ok) << r.error;
    return r.options;
}

std::string ErrorOf(std::initializer_list<std::string_view> args) {
    const ParseResult r = Parse(args);
    EXPECT_FALSE(r.ok);
    return r.error;
}

TEST(CliParse, CommandsFilesAndValueForms) {
    CliOptions o = Parsed({"--device", "F149", "program", "app.txt", "--mode=sbw", "--port",
                           "/dev/a", "--port=/dev/b", "--no-verify", "--yes", "--lang", "zh"});
    EXPECT_EQ(o.command, CommandKind::Program);
    EXPECT_EQ(o.file, "app.txt");
    EXPECT_EQ(o.device, "F149");
    EXPECT_EQ(o.mode, ops::ProgrammingMode::Sbw);
    EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/a", "/dev/b"}));
    EXPECT_EQ(o.verify, false);
    EXPECT_FALSE(o.erase.has_value());  // untouched choices stay with the settings file
    EXPECT_TRUE(o.yes);
    EXPECT_EQ(o.language, UiLanguage::Chinese);

    o = Parsed({"read", "--by-device", "-o", "out.txt"});
    EXPECT_EQ(o.command, CommandKind::Read);
    EXPECT_EQ(o.readByDevice, true);
    EXPECT_EQ(o.outputFile, "out.txt");

    // "--" lets a file name start with a dash.
    o = Parsed({"download", "--count-limit", "60001", "--", "-odd.txt"});
    EXPECT_EQ(o.file, "-odd.txt");
    EXPECT_EQ(o.countLimit, "60001");

    // The later of two opposite switches wins, as typed.
    o = Parsed({"program", "f", "--erase", "--no-erase"});
    EXPECT_EQ(o.erase, false);

    EXPECT_TRUE(Parsed({"program", "--help"}).help);
    EXPECT_TRUE(Parsed({"--help"}).help);
    EXPECT_TRUE(Parsed({"help"}).help);
}

TEST(CliParse, UsageErrorsSayWhatIsWrong) {
    EXPECT_NE(ErrorOf({}).find("no command"), std::string::npos);
    EXPECT_NE(ErrorOf({"flash"}).find("unknown command 'flash'"), std::string::npos);
    EXPECT_NE(ErrorOf({"program"}).find("needs a TI-TXT file"), std::string::npos);
    EXPECT_NE(ErrorOf({"program", "a", "b"}).find("unexpected argument 'b'"), std::string::npos);
    EXPECT_NE(ErrorOf({"find", "x.txt"}).find("unexpected"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--mode", "uart"}).find("jtag, bsl or sbw"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--lang", "de"}).find("zh or en"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--device"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--verbose"}).find("unknown option"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--yes=1"}).find("takes no value"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--erase=no"}).find("takes no value"), std::string::npos);
    EXPECT_NE(ErrorOf({"program", "f", "-o", "x"}).find("read command"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--count-limit", "5"}).find("download"), std::string::npos);
    EXPECT_NE(ErrorOf({"download", "f", "--count-limit", "12a"}).find("0..99999"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"download", "f", "--count-limit", "123456"}).find("0..99999"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"program", "f", "--serial-hex"}).find("--serial"), std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--fuse"}).find("--fuse"), std::string::npos);
    EXPECT_NE(ErrorOf({"program", "f", "--protect-info", "--product-info"}).find("exclude"),
              std::string::npos);
    EXPECT_NE(ErrorOf({"read", "--by-device", "--address", "1000"}).find("--by-device"),
              std::string::npos);

    std::vector<std::string_view> nine{"find"};
    for (int i = 0; i < 9; ++i) {
        nine.push_back("--port");
        nine.push_back("/dev/x");
    }
    const ParseResult r = ParseArguments(nine);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("at most 8"), std::string::npos);
}

TEST(CliDevice, RowsNamesAndVariants) {
    std::string error;
    EXPECT_EQ(ResolveDevice("0", &error), 0);
    EXPECT_EQ(ResolveDevice("99", &error), 99);
    EXPECT_EQ(ResolveDevice("F1101", &error), 0);
    EXPECT_EQ(ResolveDevice("msp430f1101", &error), 0);
    EXPECT_EQ(ResolveDevice("F149(F1491)", &error), 13);
    EXPECT_EQ(ResolveDevice("F149", &error), 13);   // before the parenthesis
    EXPECT_EQ(ResolveDevice("F1491", &error), 13);  // the variant inside it
    EXPECT_EQ(ResolveDevice("MSP430F2619", &error), 49);
    EXPECT_EQ(ResolveDevice("F2234", &error), ResolveDevice("F2232", &error));

    EXPECT_FALSE(ResolveDevice("100", &error));
    EXPECT_NE(error.find("0..99"), std::string::npos);
    EXPECT_FALSE(ResolveDevice("F9999", &error));
    EXPECT_NE(error.find("devices"), std::string::npos);
    EXPECT_FALSE(ResolveDevice("F14", &error));  // F147, F148, F149, ...
    EXPECT_NE(error.find("ambiguous"), std::string::npos);
}

std::optional<ResolvedInputs> Inputs(std::initializer_list<std::string_view> args,
                                     const settings::Settings& s, std::string* error) {
    const ParseResult r = Parse(args);
    EXPECT_TRUE(r.ok) << r.error;
    return BuildInputs(r.options, s, error);
}

TEST(CliInputs, SettingsGiveDefaultsAndOptionsOverride) {
    settings::Settings s;
    s.device = 13;  // F149
    s.erase = false;
    s.verify = true;
    s.productNum = 777;
    s.infoAddr = 0x10E8;
    s.productName = "LINE7";
    s.readStyle = settings::ReadStyle::ByDevice;
    std::string error;

    auto r = Inputs({"program", "f"}, s, &error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->inputs.deviceRow, 13);
    EXPECT_EQ(r->imageEnd, 0x10000u);
    EXPECT_EQ(r->inputs.mode, ops::ProgrammingMode::Jtag);  // what the window preselects
    EXPECT_FALSE(r->inputs.erase);
    EXPECT_TRUE(r->inputs.verify);
    EXPECT_EQ(r->inputs.serial, 777u);
    EXPECT_EQ(r->inputs.infoAddressText, "10e8");
    EXPECT_EQ(r->inputs.productName, "LINE7");
    EXPECT_TRUE(r->inputs.eraseSegA);  // F149 has no choice: always sent

    r = Inputs({"program", "f", "--device", "F2619", "--erase", "--no-verify", "--serial", "FF",
                "--serial-hex", "--info-address", "10a0", "--name", "ABC"},
               s, &error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->inputs.deviceRow, 49);
    EXPECT_EQ(r->imageEnd, 0x20000u);
    EXPECT_TRUE(r->inputs.erase);
    EXPECT_FALSE(r->inputs.verify);
    EXPECT_EQ(r->inputs.serial, 0xFFu);
    EXPECT_TRUE(r->inputs.serialHex);
    EXPECT_EQ(r->inputs.infoAddressText, "10A0");
    EXPECT_EQ(r->inputs.productName, "ABC");

    // Read fields: the device's flash by default; an address means reading by address.
    r = Inputs({"read"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->inputs.readByDevice);
    EXPECT_EQ(r->inputs.readAddressText, "1100");
    EXPECT_EQ(r->inputs.readLengthText, "EF00");
    r = Inputs({"read", "--address", "fc10", "--length", "20"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->inputs.readByDevice);
    EXPECT_EQ(r->inputs.readAddressText, "FC10");
    EXPECT_EQ(r->inputs.readLengthText, "20");
}

TEST(CliInputs, ChoicesTheWindowWouldNotAllow) {
    settings::Settings s;
    s.device = 13;  // F149: JTAG and BSL, no SBW
    std::string error;

    EXPECT_FALSE(Inputs({"program", "f", "--mode", "sbw"}, s, &error));
    EXPECT_NE(error.find("JTAG BSL"), std::string::npos) << error;
    EXPECT_FALSE(Inputs({"program", "f", "--mode", "bsl", "--fuse"}, s, &error));
    EXPECT_NE(error.find("--fuse"), std::string::npos);
    EXPECT_FALSE(Inputs({"program", "f", "--no-erase-seg-a"}, s, &error));
    EXPECT_FALSE(Inputs({"program", "f", "--name", "ABCDEFGHIJKLMNOPQRST"}, s, &error));  // 20
    EXPECT_TRUE(Inputs({"program", "f", "--name", "ABCDEFGHIJKLMNOPQRS"}, s, &error));    // 19
    // Ten Chinese characters are 20 GBK bytes; nine are 18.
    EXPECT_FALSE(Inputs({"program", "f", "--name", "编程器编程器编程器编"}, s, &error));
    EXPECT_TRUE(Inputs({"program", "f", "--name", "编程器编程器编程器"}, s, &error));
    EXPECT_FALSE(Inputs({"program", "f", "--serial", "4294967296"}, s, &error));
    EXPECT_FALSE(Inputs({"program", "f", "--serial", "-1"}, s, &error));
    EXPECT_FALSE(Inputs({"program", "f", "--serial", "1FFFFFFFF", "--serial-hex"}, s, &error));
    EXPECT_TRUE(Inputs({"program", "f", "--serial", "4294967295"}, s, &error));
    EXPECT_FALSE(Inputs({"program", "f", "--info-address", "10000"}, s, &error));
    EXPECT_FALSE(Inputs({"program", "f", "--info-address", "10g0"}, s, &error));
    EXPECT_FALSE(Inputs({"read", "--address", "12345"}, s, &error));  // 5 digits on F149
    EXPECT_TRUE(Inputs({"read", "--device", "F2619", "--address", "12345"}, s, &error));

    // Product information and protection exclude each other, as the window's boxes do.
    s.saveInfoFlash = true;
    auto r = Inputs({"program", "f", "--product-info"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->inputs.useProductInfo);
    EXPECT_FALSE(r->inputs.protectInfo);
    s.saveInfoFlash = false;
    s.productId = true;
    r = Inputs({"program", "f", "--protect-info"}, s, &error);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->inputs.useProductInfo);
    EXPECT_TRUE(r->inputs.protectInfo);

    // A device with the segment-A choice keeps segment A unless asked.
    r = Inputs({"program", "f", "--device", "F2013"}, s, &error);
    ASSERT_TRUE(r) << error;
    EXPECT_FALSE(r->inputs.eraseSegA);
    EXPECT_EQ(r->inputs.mode, ops::ProgrammingMode::Jtag);
    r = Inputs({"program", "f", "--device", "F2013", "--erase-seg-a", "--mode", "sbw"}, s,
               &error);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->inputs.eraseSegA);
    EXPECT_EQ(r->inputs.mode, ops::ProgrammingMode::Sbw);
}

}  // namespace
}  // namespace kx::cli
