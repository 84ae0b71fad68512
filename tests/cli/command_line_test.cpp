// The command line on CLI11 read as it always was, and help pages made from its declaration.

#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <regex>

#include "cli/cli_help.h"

namespace kx::cli {
namespace {

using Args = std::vector<std::string_view>;

ParseResult Parse(const Args& args) {
    return ParseArguments(args, UiLanguage::English);
}

TEST(CliWords, FormsCli11ReadsOtherwiseTheFirstFaultAndTheLastSwitch) {
    // "--name=" is an empty value, not "take the next word"; values come back as typed.
    ParseResult r = Parse({"program", "f", "--name=", "--device", "-ofile", "--password-file",
                           "--x=", "--info-address=a=b"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(std::tuple(*r.options.productName, *r.options.device, *r.options.passwordFile,
                         *r.options.infoAddress),
              std::tuple("", "-ofile", "--x=", "a=b"));
    EXPECT_EQ(Parse({"download", "--", "-o=x"}).options.file, "-o=x");
    for (const auto& [args, error] : std::vector<std::pair<Args, std::string_view>>{
             {{"read", "--output=", "--device", "F149"}, "-o needs a file name"},
             {{"read", "-ofile"}, "unknown option '-ofile' (see --help)"},  // not "-o file"
             {{"read", "--erase=true"}, "option --erase takes no value"},
             {{"read", "-5"}, "unknown option '-5' (see --help)"},
             // The first fault on the line, in the language read before it.
             {{"read", "--bogus", "--mode", "uart"}, "unknown option '--bogus' (see --help)"},
             {{"read", "--mode", "uart", "--bogus"}, "--mode takes jtag, bsl or sbw, not 'uart'"},
             {{"flash", "--bogus"},
              "unknown command 'flash'; commands: devices, find, program, "
              "read, download, update-firmware, vpp-test (see --help)"},
             {{"--bogus", "--lang", "zh"}, "unknown option '--bogus' (see --help)"},
             {{"--lang", "zh", "--bogus", "--lang", "en"}, "未知选项“--bogus”（见 --help）"},
             // CLI11 finds the exclusion first; the read options are judged before it.
             {{"program", "f", "-o", "x", "--protect-info", "--product-info"},
              "--address, --length, --by-device, --by-address and -o belong to the read command"},
             // The switch given last decides what is excluded.
             {{"program", "f", "--protect-info", "--product-info", "--no-product-info"}, ""},
             {{"read", "--by-device", "--by-address", "--address", "1000"}, ""},
             {{"read", "--by-address", "--by-device", "--length", "10"},
              "--by-device reads the whole device; drop --address/--length or use --by-address"},
         }) {
        EXPECT_EQ(Parse(args).error, error) << args[0] << " " << args[1];
    }
}

TEST(CliHelp, PagesListWhatIsDeclaredAndNothingElse) {
    const std::string page = CommandHelp(CommandKind::None);
    const CommandLine line(UiLanguage::English);
    for (const CLI::Option* option : line.App().get_options()) {
        for (const std::string& name : option->get_lnames()) {
            EXPECT_NE(page.find("--" + name), std::string::npos) << name;
        }
    }
    const std::regex optionName("--[a-z][-a-z0-9]*");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), optionName);
         it != std::sregex_iterator(); ++it) {
        EXPECT_EQ(Parse({"devices", it->str(), "x"}).error.find("unknown option"),
                  std::string::npos)
            << it->str();
    }
    // A command's page shows the groups that command uses.
    const std::string program = CommandHelp(CommandKind::Program);
    const std::string read = CommandHelp(CommandKind::Read);
    EXPECT_TRUE(program.starts_with("Usage: kxveldran-cli program FILE [OPTIONS]\n"));
    EXPECT_NE(program.find("--product-info / --no-product-info"), std::string::npos);
    EXPECT_EQ(program.find("--count-limit"), std::string::npos);
    EXPECT_NE(read.find("--by-device"), std::string::npos);
    EXPECT_EQ(read.find("--serial-hex"), std::string::npos);
}

}  // namespace
}  // namespace kx::cli
