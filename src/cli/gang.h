#pragma once
// program --gang: the same job on several boxes at once, one thread, port, link, pane and
// operation context per box, the serial numbers from one source for all of them. A panel is
// one unit per box; --repeat runs panels until the operator says stop.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/terminal_output.h"
#include "image/code_image.h"
#include "messages/message_catalogue.h"
#include "operations/operations.h"
#include "production/unit_attempt.h"
#include "security/security_words.h"
#include "settings/serial_counter.h"

namespace kx::cli {

// What one box's attempt at one unit leaves behind: its production-log row, and what the
// table says beside it.
struct UnitRecord {
    production::UnitAttempt attempt;
    std::string messageText;   // the line the unit ended with, as shown
    int status = kExitFailed;  // the exit status the unit alone would have given
};

struct GangJob {
    const CliOptions& options;
    UiLanguage language;
    const ops::OperationInputs& inputs;
    const image::CodeImage& image;
    const security::SecurityWords& words;
    std::string settingsPath;
    settings::CounterReading counter;  // as loaded with the settings
    std::vector<std::string> ports;    // the boxes' device paths
    std::string logPath;               // the production log; empty for none
    std::string imageSha256;           // of the code file as loaded, for the log
};

// Runs the panels and returns the exit status. `output` is the command's own terminal: the
// table, the questions between panels and the closing lines go there.
int RunGang(const GangJob& job, TerminalOutput& output);

// The table of a panel: a heading and one row per unit, columns aligned (a CJK character
// takes two columns).
std::string UnitTable(const std::vector<UnitRecord>& units, UiLanguage language);

}  // namespace kx::cli
