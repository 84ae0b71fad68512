#pragma once
// The --help pages, made from the command line's declaration.

#include <string>

#include "cli/cli_options.h"

namespace kx::cli {

// One command's page; CommandKind::None: the whole page (commands, options, exit status,
// examples).
std::string CommandHelp(CommandKind kind);

}  // namespace kx::cli
