#include "cli/cli_help.h"

namespace kx::cli {
namespace {

constexpr std::string_view kUsage = R"(Usage: kxveldran-cli COMMAND [OPTIONS] [FILE]

Drives the KX_VELDRAN MSP430 programmer box on a serial port, for production lines and
scripts. The choices default to the settings file the window uses, so a line prepared in
the window can be scripted; options override them for this run only.
)";

constexpr std::string_view kCommands = R"(
Commands:
  devices                 list the 100 supported devices: row, name, flash range, modes
  find                    search COM1..COM8 for the programmer and report it
  program FILE            program a TI-TXT file into the target (erase, program, verify,
                          product information, fuse, run, as chosen)
  read                    read the target into a TI-TXT file (-o) or to stdout
  download FILE           fill the programmer's offline store with FILE and the options
  update-firmware         replace the programmer's own firmware (asks first)
  vpp-test                test the programmer's fuse-blowing voltage
  help                    this page; COMMAND --help shows one command
)";

constexpr std::string_view kTargetOptions = R"(
Target choices (default: the settings file; the mode: what the device offers, JTAG first):
  --device NAME|ROW       device by name (F149, MSP430F2619, F2419(F2619)) or row 0..99
  --mode jtag|bsl|sbw     programming mode; must be one the device offers
  --supply / --no-supply  power the target board from the programmer
  --erase / --no-erase    erase before programming
  --protect-info / --no-protect-info
                          keep the information flash (erase main memory only)
  --erase-seg-a / --no-erase-seg-a
                          erase segment A too (only on devices that offer the choice;
                          default off, it holds calibration data)
  --program / --no-program
  --verify / --no-verify
  --fuse                  burn the JTAG security fuse (JTAG/SBW only; asks first)
  --run / --no-run        let the target run afterwards
  --password-file FILE    BSL password from a 108-byte password file (Msp430_Password.TXT)
  --allow-outside         program (or download) a file although some of its data lies
                          outside the device: below 0x1000, between the information memory
                          and the flash, or beyond the flash end. Without it such a file is
                          refused before anything is sent; with it only what fits is used
  --beep / --no-beep      signal the end: the terminal bell when stderr is a terminal;
                          otherwise --beep plays three short tones on the sound card
                          (silent where there is none)
)";

constexpr std::string_view kProductOptions = R"(
Product information (written into the information flash by program, stored by download):
  --product-info / --no-product-info
  --name TEXT             product name, at most 19 bytes in GBK
  --serial N              serial number, decimal (0..4294967295)
  --serial-hex            read --serial N as hexadecimal (0..FFFFFFFF)
  --info-address HEX      where the 24-byte record goes (1000..10E8, even)
  --auto-increment / --no-auto-increment
                          count serial numbers: each unit takes the settings file's
                          counter under a lock and stores the next one before its record
                          is written; a unit that fails after that leaves a gap, so no
                          number is ever written into two chips
)";

constexpr std::string_view kReadOptions = R"(
Read:
  --by-device             information memory and the whole flash of the device
  --by-address            --address and --length (default: the device's flash)
  --address HEX           start address (even)
  --length HEX            length in bytes (even)
  -o FILE, --output FILE  write the TI-TXT there (atomically; a link's target is replaced,
                          a device or FIFO written directly); without -o the TI-TXT goes
                          to stdout and the report to stderr
)";

constexpr std::string_view kDownloadOptions = R"(
Download:
  --count-limit N         stand-alone runs allowed: 1..60000, 0 = no limit (default 0);
                          larger values count as 60000
)";

constexpr std::string_view kGeneralOptions = R"(
General:
  --port PATH             serial device to try, repeatable up to 8 times (as COM1..COM8);
                          replaces the discovered list (default: USB adapters, then real
                          serial ports, or $KX_VELDRAN_PORTS, paths separated by ':')
  --settings FILE         settings file to use (default: beside the program, or
                          $KX_VELDRAN_SETTINGS)
  --no-save               never write the settings file (the serial number is then not
                          kept, and the next run stamps the same number again)
  --yes, -y               answer the questions (fuse, download, update) with yes; without a
                          terminal and without --yes they count as no
  --lang zh|en            language of the messages (default: from LANGUAGE/LC_ALL/
                          LC_MESSAGES/LANG; only zh_CN gives Chinese)
  --help, -h              help
  --version               the program's name and version
)";

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
)";

constexpr std::string_view kExamples = R"(
Examples:
  kxveldran-cli devices
  kxveldran-cli program app.txt --device F149 --product-info --auto-increment
  kxveldran-cli read --by-device --device F2619 -o dump.txt
  kxveldran-cli download app.txt --count-limit 500 --yes
)";

}  // namespace

std::string HelpText() {
    std::string text;
    for (const auto part : {kUsage, kCommands, kTargetOptions, kProductOptions, kReadOptions,
                            kDownloadOptions, kGeneralOptions, kExitCodes, kExamples}) {
        text += part;
    }
    return text;
}

std::string CommandHelp(CommandKind kind) {
    std::string text;
    switch (kind) {
        case CommandKind::Devices:
            text =
                "Usage: kxveldran-cli devices\n\nLists row, name, flash range and modes of "
                "the 100 supported devices.\nNo programmer needed.\n";
            return text;
        case CommandKind::Find:
            text =
                "Usage: kxveldran-cli find [--port PATH]...\n\nSearches the ports for the "
                "programmer and reports where it is and its firmware.\n";
            text += kGeneralOptions;
            break;
        case CommandKind::Program:
            text =
                "Usage: kxveldran-cli program FILE [OPTIONS]\n\nPrograms the TI-TXT FILE "
                "into the target.\n";
            text += kTargetOptions;
            text += kProductOptions;
            text += kGeneralOptions;
            break;
        case CommandKind::Read:
            text =
                "Usage: kxveldran-cli read [--by-device | --address HEX --length HEX] "
                "[-o FILE] [OPTIONS]\n\nReads target memory into a TI-TXT file.\n";
            text += kReadOptions;
            text += kTargetOptions;
            text += kGeneralOptions;
            break;
        case CommandKind::Download:
            text =
                "Usage: kxveldran-cli download FILE [OPTIONS]\n\nFills the programmer's "
                "offline store with FILE, the options, the product information and a count "
                "limit.\n";
            text += kDownloadOptions;
            text += kTargetOptions;
            text += kProductOptions;
            text += kGeneralOptions;
            break;
        case CommandKind::UpdateFirmware:
            text =
                "Usage: kxveldran-cli update-firmware [--yes] [OPTIONS]\n\nReplaces the "
                "programmer's firmware with the one this program carries (about half a "
                "minute).\nKeep the power stable: an interrupted update leaves the programmer "
                "unusable. Ctrl-C, SIGTERM and SIGHUP are held while it runs; a second one "
                "within 5 s stops it anyway, and running the update again finishes it.\n";
            text += kGeneralOptions;
            break;
        case CommandKind::VppTest:
            text =
                "Usage: kxveldran-cli vpp-test [OPTIONS]\n\nAsks the programmer to test "
                "its fuse-blowing voltage.\n";
            text += kGeneralOptions;
            break;
        case CommandKind::None:
            return HelpText();
    }
    text += kExitCodes;
    return text;
}

}  // namespace kx::cli
