#pragma once
// The --help pages.

#include <string>

#include "cli/cli_options.h"

namespace kx::cli {

// Everything: commands, options, exit status, examples.
std::string HelpText();
// One command's page (the whole page for CommandKind::None).
std::string CommandHelp(CommandKind kind);

}  // namespace kx::cli
