#pragma once
// Serial numbers of one `program` run from the command line: the counter checked before the
// box is touched, a number taken (and the advanced counter stored) just before the record
// goes out, given back when the run stops before that, and the outcome reported. What it
// knows at each moment is readable from any thread, for the words said when the program is
// made to end at once.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/terminal_output.h"
#include "operations/operations.h"
#include "settings/serial_counter.h"

namespace kx::cli {

class CliSerials {
  public:
    // `typed`: the number given with --serial, which wins over the file's counter.
    CliSerials(TerminalOutput& output, UiLanguage language, std::string settingsPath,
               std::optional<std::uint32_t> typed, bool noSave);

    // Before the box is touched. 0 to go on (with the hooks set in `in` when the counter is
    // kept in the file), else the exit status after saying why nothing was programmed.
    int Prepare(ops::OperationInputs& in, const settings::CounterReading& loaded);
    // After the run: the counter's line, a gap when a failed unit used its number. Returns
    // an exit status that overrides the run's, or 0.
    int Report(const ops::RunOutcome& outcome, bool hex);
    // One line on where the counter stands now, safe to call from another thread.
    std::string StateNow() const;

  private:
    enum Phase : int { kBefore, kTaken, kDone };
    std::optional<std::uint32_t> Reserve();

    TerminalOutput& output_;
    UiLanguage language_;
    std::string path_;
    std::optional<std::uint32_t> typed_;
    bool noSave_;
    bool counting_ = false;
    std::atomic<int> phase_{kBefore};
    std::atomic<std::uint32_t> taken_{0};
};

}  // namespace kx::cli
