#pragma once
// Running one parsed command line against the programmer: settings, files, discovery, the
// operation, and the exit status.

#include "cli/cli_options.h"
#include "operations/operations.h"

namespace kx::cli {

// Runs `options` (a successful parse, not a help request) and returns the exit status.
int RunCommand(const CliOptions& options);

// The exit status an operation's result gives.
int ExitCodeOf(ops::Result result);

}  // namespace kx::cli
