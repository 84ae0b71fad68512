// The command line as the user reads it: the commands and every option with its help text,
// group, choices and relations, declared once (CommandLine parses by it), and the --help pages
// made from that declaration.

#include "cli/cli_help.h"

#include <algorithm>
#include <array>
#include <set>
#include <sstream>

#include "cli/command_line.h"

namespace kx::cli {
namespace {

constexpr const char* kTarget =
    "Target choices (default: the settings file; the mode: what the device offers, JTAG first)";
constexpr const char* kProduct =
    "Product information (written into the information flash by program, stored by download)";
constexpr const char* kRead = "Read";
constexpr const char* kDownload = "Download";
constexpr const char* kGeneral = "General";

// clang-format off
const std::array<CommandSpec, 8> kCommands{{
    {"devices", CommandKind::Devices, false,
     "list the 100 supported devices: row, name, flash range, modes",
     "Lists row, name, flash range and modes of the 100 supported devices.\n"
     "No programmer needed.\n", {}},
    {"find", CommandKind::Find, false, "search COM1..COM8 for the programmer and report it",
     "Searches the ports for the programmer and reports where it is and its firmware.\n",
     {kGeneral}},
    {"program", CommandKind::Program, true,
     "program a TI-TXT file into the target (erase, program, verify,\n"
     "product information, fuse, run, as chosen)",
     "Programs the TI-TXT FILE into the target.\n", {kTarget, kProduct, kGeneral}},
    {"read", CommandKind::Read, false, "read the target into a TI-TXT file (-o) or to stdout",
     "Reads target memory into a TI-TXT file.\n", {kRead, kTarget, kGeneral}},
    {"download", CommandKind::Download, true,
     "fill the programmer's offline store with FILE and the options",
     "Fills the programmer's offline store with FILE, the options, the product information and "
     "a count limit.\n", {kDownload, kTarget, kProduct, kGeneral}},
    {"update-firmware", CommandKind::UpdateFirmware, false,
     "replace the programmer's own firmware (asks first)",
     "Replaces the programmer's firmware with the one this program carries (about half a "
     "minute).\nKeep the power stable: an interrupted update leaves the programmer unusable. "
     "Ctrl-C, SIGTERM and SIGHUP are held while it runs; a second one within 5 s stops it "
     "anyway, and running the update again finishes it.\n", {kGeneral}},
    {"vpp-test", CommandKind::VppTest, false, "test the programmer's fuse-blowing voltage",
     "Asks the programmer to test its fuse-blowing voltage.\n", {kGeneral}},
    {"help", CommandKind::None, false, "this page; COMMAND --help shows one command", "", {}},
}};
// clang-format on

constexpr std::string_view kAbout =
    "Drives the KX_VELDRAN MSP430 programmer box on a serial port, for production lines and\n"
    "scripts. The choices default to the settings file the window uses, so a line prepared in\n"
    "the window can be scripted; options override them for this run only.\n";

constexpr std::string_view kExitCodes = R"(
Every command but devices first searches for the programmer. The report goes to stdout,
progress to stderr when that is a terminal.

Exit status:
  0  success
  1  the operation failed (its message is the last line of the report), or a file could
     not be read or written
  2  usage error
  3  no programmer found, or the link was lost
  4  the settings file could not be read or written (the serial number would be reused)
  5  a question was answered no
  6  Ctrl-C (or SIGTERM, SIGHUP) came during program: the unit was finished, its serial
     number saved, and the unit succeeded (a failed unit keeps its own status)
  7  a second Ctrl-C ended program at once; the last lines on stderr say what state the
     chip and the serial counter are in
  8  program: the production log could not be written: found before the run, nothing was
     programmed; after it, the unit succeeded but its row is missing (a failed unit keeps
     its own status)
  9  program --gang: one or more units failed (the table at the end says which); a
     Ctrl-C that lets the units in progress finish gives 6 only when all of them succeeded
)";

constexpr std::string_view kExamples = R"(
Examples:
  kxveldran-cli devices
  kxveldran-cli program app.txt --device F149 --product-info --auto-increment
  kxveldran-cli read --by-device --device F2619 -o dump.txt
  kxveldran-cli download app.txt --count-limit 500 --yes
)";

// An option's line: its names (a switch with its off switch), the value it takes, what it
// does, and the options it needs or excludes.
class HelpFormat : public CLI::Formatter {
  public:
    explicit HelpFormat(const CLI::App& app) : app_(app) { column_width(26); }

    std::string make_option_name(const CLI::Option* option, bool) const override {
        std::string names;
        for (const auto& name : option->get_lnames())
            names += (names.empty() ? "--" : ", --") + name;
        for (const auto& name : option->get_snames()) names += ", -" + name;
        const CLI::Option* off =
            option->get_lnames().empty()
                ? nullptr
                : app_.get_option_no_throw("--no-" + option->get_lnames().front());
        if (off != nullptr && off->get_group().empty())
            names += " / --no-" + option->get_lnames().front();
        if (option->get_expected_max() != 0) names += " " + option->get_type_name();
        return names;
    }
    std::string make_option_opts(const CLI::Option*) const override { return {}; }
    std::string make_option_desc(const CLI::Option* option) const override {
        return option->get_description() + Related("\nneeds ", option->get_needs()) +
               Related("\nnot together with ", option->get_excludes());
    }
    std::string Groups(const std::vector<std::string>& headings) const {
        std::string text;
        for (const std::string& heading : headings) {
            if (heading.empty()) continue;  // the off switches, shown beside their on switches
            text += make_group(heading, false, app_.get_options([&heading](const CLI::Option* o) {
                return o->get_group() == heading;
            }));
        }
        return text;
    }

  private:
    // The options of `related`, in the order of the page.
    std::string Related(const std::string& lead, const std::set<CLI::Option*>& related) const {
        std::string text;
        for (const CLI::Option* other : app_.get_options()) {
            if (std::find(related.begin(), related.end(), other) == related.end()) continue;
            text += (text.empty() ? lead : ", ") + other->get_name();
        }
        return text;
    }

    const CLI::App& app_;
};

}  // namespace

std::span<const CommandSpec> Commands() {
    return kCommands;
}

void DeclareOptions(CommandLine& line) {
    line.Group(kTarget);
    line.Value("--device", "NAME|ROW", &CliOptions::device,
               "device by name (F149, MSP430F2619, F2419(F2619)) or row 0..99");
    line.Mode("--mode", "programming mode; must be one the device offers");
    line.Switch("--supply", "--no-supply", &CliOptions::supplyPower,
                "power the target board from the programmer");
    line.Switch("--erase", "--no-erase", &CliOptions::erase, "erase before programming");
    CLI::Option* protectInfo =
        line.Switch("--protect-info", "--no-protect-info", &CliOptions::protectInfo,
                    "keep the information flash (erase main memory only)");
    line.Switch("--erase-seg-a", "--no-erase-seg-a", &CliOptions::eraseSegA,
                "erase segment A too (only on devices that offer the choice;\n"
                "default off, it holds calibration data)");
    line.Switch("--program", "--no-program", &CliOptions::program, "write the file into the flash");
    line.Switch("--verify", "--no-verify", &CliOptions::verify,
                "read the flash back and compare it with the file");
    line.Flag("--fuse", &CliOptions::burnFuse,
              "burn the JTAG security fuse (JTAG/SBW only; asks first)");
    line.Switch("--run", "--no-run", &CliOptions::runAfter, "let the target run afterwards");
    line.Value("--password-file", "FILE", &CliOptions::passwordFile,
               "BSL password from a 108-byte password file (Msp430_Password.TXT)");
    line.Flag("--allow-outside", &CliOptions::allowOutside,
              "program (or download) a file although some of its data lies\n"
              "outside the device: below 0x1000, between the information memory\n"
              "and the flash, or beyond the flash end. Without it such a file is\n"
              "refused before anything is sent; with it only what fits is used");
    line.Switch("--beep", "--no-beep", &CliOptions::beep,
                "signal the end: the terminal bell when stderr is a terminal;\n"
                "otherwise --beep plays three short tones on the sound card\n"
                "(silent where there is none)");

    line.Group(kProduct);
    protectInfo->excludes(line.Switch("--product-info", "--no-product-info",
                                      &CliOptions::useProductInfo,
                                      "write the product record: name and serial number"));
    line.Value("--name", "TEXT", &CliOptions::productName, "product name, at most 19 bytes in GBK");
    CLI::Option* serial =
        line.Value("--serial", "N", &CliOptions::serial, "serial number, decimal (0..4294967295)");
    line.Flag("--serial-hex", &CliOptions::serialHex,
              "read --serial N as hexadecimal (0..FFFFFFFF)")
        ->needs(serial);
    line.Value("--info-address", "HEX", &CliOptions::infoAddress,
               "where the 24-byte record goes (1000..10E8, even)");
    line.Switch("--auto-increment", "--no-auto-increment", &CliOptions::autoIncrement,
                "count serial numbers: each unit takes the settings file's\n"
                "counter under a lock and stores the next one before its record\n"
                "is written; a unit that fails after that leaves a gap, so no\n"
                "number is ever written into two chips");
    CLI::Option* serialSource =
        line.Value("--serial-source", "URI", &CliOptions::serialSource,
                   "take the counted serial numbers from a PostgreSQL table that\n"
                   "every station shares (postgresql://user@host/db or postgres://...;\n"
                   "see the manual); a --serial N starts a product's sequence there");
    line.Value("--log", "FILE", &CliOptions::logFile,
               "program: append one CSV row per unit to this production log\n"
               "(time, station, port, box, device, chip, mode, SHA-256 of FILE,\n"
               "serial, result, duration); default: production_log in the\n"
               "settings file, if any. A log that cannot be written stops the\n"
               "run before the box is touched");

    line.Group(kRead);
    CLI::Option* byDevice = line.Switch("--by-device", "--by-address", &CliOptions::readByDevice,
                                        "information memory and the whole flash of the device",
                                        "--address and --length (default: the device's flash)");
    byDevice->excludes(
        line.Value("--address", "HEX", &CliOptions::readAddress, "start address (even)"));
    byDevice->excludes(
        line.Value("--length", "HEX", &CliOptions::readLength, "length in bytes (even)"));
    line.Value("--output,-o", "FILE", &CliOptions::outputFile,
               "write the TI-TXT there (atomically; a link's target is replaced,\n"
               "a device or FIFO written directly); without -o the TI-TXT goes\n"
               "to stdout and the report to stderr");

    line.Group(kDownload);
    line.Value("--count-limit", "N", &CliOptions::countLimit,
               "stand-alone runs allowed: 1..60000, 0 = no limit (default 0);\n"
               "larger values count as 60000");

    line.Group(kGeneral);
    line.Port("--port", "PATH",
              "serial device to try, repeatable up to 8 times (as COM1..COM8);\n"
              "replaces the discovered list (default: USB adapters, then real\n"
              "serial ports, or $KX_VELDRAN_PORTS, paths separated by ':')");
    line.Flag("--gang", &CliOptions::gang,
              "program: the same job on every box at once, one thread each:\n"
              "the boxes given with --port, else every box found on COM1..COM8;\n"
              "one serial sequence for all, a table of the units at the end");
    line.Flag("--repeat", &CliOptions::repeat,
              "with --gang: after each panel, Enter programs the next one;\n"
              "q (or the end of input) ends");
    line.Value("--settings", "FILE", &CliOptions::settingsFile,
               "settings file to use (default: beside the program, or\n$KX_VELDRAN_SETTINGS)");
    serialSource->excludes(line.Flag("--no-save", &CliOptions::noSave,
                                     "never write the settings file (the serial number is then "
                                     "not\nkept, and the next run stamps the same number again)"));
    line.Flag("--yes,-y", &CliOptions::yes,
              "answer the questions (fuse, download, update) with yes; without a\n"
              "terminal and without --yes they count as no");
    line.Language("--lang",
                  "language of the messages (default: from LANGUAGE/LC_ALL/\n"
                  "LC_MESSAGES/LANG; only zh_CN gives Chinese)");
    line.Flag("--help,-h", &CliOptions::help, "this page; after a command, that command's page");
    line.Flag("--version", &CliOptions::version, "the program's name and version");
}

std::string CommandHelp(CommandKind kind) {
    const CommandLine line(UiLanguage::English);
    const HelpFormat format(line.App());
    std::string text = "Usage: kxveldran-cli ";
    if (kind == CommandKind::None) {
        text += "COMMAND [OPTIONS] [FILE]\n\n";
        text += kAbout;
        text += "\nCommands:\n";
        for (const CommandSpec& c : kCommands) {
            std::ostringstream row;
            CLI::detail::format_help(row, std::string(c.name) + (c.takesFile ? " FILE" : ""),
                                     std::string(c.summary), 26);
            text += row.str();
        }
        return text + format.Groups(line.App().get_groups()) + std::string(kExitCodes) +
               std::string(kExamples);
    }
    for (const CommandSpec& c : kCommands) {
        if (c.kind != kind) continue;
        text += std::string(c.name) + (c.takesFile ? " FILE" : "") +
                (c.groups.empty() ? "" : " [OPTIONS]") + "\n\n" + std::string(c.about);
        if (!c.groups.empty()) text += format.Groups(c.groups) + std::string(kExitCodes);
    }
    return text;
}

}  // namespace kx::cli
