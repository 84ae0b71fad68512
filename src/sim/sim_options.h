#pragma once
// Command line of kxveldran-sim.

#include <optional>
#include <string>
#include <vector>

#include "sim/preload_text.h"
#include "sim/sim_config.h"

namespace kx::sim {

struct ProgramOptions {
    BoxConfig box;                       // timing on unless --no-timing
    std::vector<MemorySegment> preload;  // --image: put into the chip's flash
    std::string linkPath;                // --link: symlink to the slave side
    std::string traceFile;               // --trace: JSON lines
    bool help = false;
    bool version = false;  // a bare --version: the program's own version
};

// Parses the arguments after the program name. Files named by options are read here.
// On error returns nullopt and a message that says what to fix.
std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& args,
                                                  std::string& error);

std::string UsageText();

}  // namespace kx::sim
