#pragma once
// The command line of kxveldran-cli as plain data. Parsing only checks the form of what was
// typed; choices that depend on the settings file or the device are judged later
// (cli_inputs.h), so that every usage error still comes out before the box is touched.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "messages/message_catalogue.h"
#include "operations/operation_context.h"

namespace kx::cli {

enum class CommandKind {
    None,
    Devices,
    Find,
    Program,
    Read,
    Download,
    UpdateFirmware,
    VppTest,
};

// Exit codes scripts can rely on.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,         // the operation (or an input/output file) failed
    kExitUsage = 2,          // the command line is wrong
    kExitNoProgrammer = 3,   // no port answered, or the link was lost
    kExitSettings = 4,       // the settings file could not be read or written
    kExitCancelled = 5,      // a confirmation was answered No (or could not be asked)
    kExitStopped = 6,        // Ctrl-C/SIGTERM/SIGHUP: stopped after the unit, which succeeded
    kExitCutShort = 7,       // a second such signal ended the program at once
    kExitLogNotWritten = 8,  // the unit's production-log row could not be written
    kExitSomeFailed = 9,     // --gang: one or more units failed (the table says which)
};

inline constexpr std::size_t kMaxPorts = 8;

struct CliOptions {
    CommandKind command = CommandKind::None;
    bool help = false;
    bool version = false;  // --version: the name and version, nothing else
    std::string file;      // program / download

    // Choices of the window; unset means "as the settings file says".
    std::optional<std::string> device;
    std::optional<ops::ProgrammingMode> mode;
    std::optional<bool> erase;
    std::optional<bool> protectInfo;
    std::optional<bool> eraseSegA;
    std::optional<bool> program;
    std::optional<bool> verify;
    bool burnFuse = false;
    std::optional<bool> runAfter;
    std::optional<bool> supplyPower;
    std::optional<bool> beep;

    // Product information.
    std::optional<bool> useProductInfo;
    std::optional<bool> autoIncrement;
    std::optional<std::string> productName;
    std::optional<std::string> serial;  // as typed; decimal unless serialHex
    bool serialHex = false;
    std::optional<std::string> infoAddress;
    std::optional<std::string> serialSource;  // postgresql://...: numbers shared by stations

    // Read.
    std::optional<bool> readByDevice;
    std::optional<std::string> readAddress;
    std::optional<std::string> readLength;
    std::optional<std::string> outputFile;

    // Download.
    std::optional<std::string> countLimit;

    std::optional<std::string> passwordFile;
    std::vector<std::string> ports;
    bool gang = false;    // program on every box at once
    bool repeat = false;  // --gang: another panel each time Enter is pressed
    std::optional<std::string> settingsFile;
    bool noSave = false;
    bool yes = false;
    bool allowOutside = false;  // program / download a file with data the device cannot hold
    std::optional<std::string> logFile;  // program: the production log (wins over the settings)
    std::optional<UiLanguage> language;
};

struct ParseResult {
    bool ok = false;
    std::string error;  // one line saying what is wrong and what to type instead
    CliOptions options;
};

// `args` without the program name. The error is in the language of a --lang read before
// the fault, else in `language`.
ParseResult ParseArguments(std::span<const std::string_view> args, UiLanguage language);

// "program", "read", ...; empty for CommandKind::None.
std::string_view CommandName(CommandKind kind);

}  // namespace kx::cli
