#pragma once
// Serial numbers of one unit's run from the command line: the source checked before the box
// is touched, a number taken from it just before the record goes out, given back when the run
// stops before that, and the outcome reported. What it knows at each moment is readable from
// any thread, for the words said when the program is made to end at once. The boxes of a gang
// each have one of these over the one source.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/terminal_output.h"
#include "operations/operations.h"
#include "production/serial_source.h"
#include "settings/serial_counter.h"

namespace kx::cli {

class CliSerials {
  public:
    // `source`: where counted numbers come from; unused with `noSave`, where the run stamps
    // the number shown and stores nothing. `typed`: the number given with --serial.
    CliSerials(ReportLines& output, UiLanguage language, production::SerialSource& source,
               std::string settingsPath, std::optional<std::uint32_t> typed, bool noSave);

    // Before any box is touched. 0 to go on, else the exit status after saying why nothing
    // was programmed.
    int Check(const ops::OperationInputs& in, const settings::CounterReading& loaded);
    // Sets the hooks in `in` that take numbers from the source (when it counts and stores).
    void Hook(ops::OperationInputs& in);
    // Check, then Hook: one box.
    int Prepare(ops::OperationInputs& in, const settings::CounterReading& loaded);
    // After the run: a gap when a failed unit used its number, and with `sayNext` the
    // counter's line. Returns an exit status that overrides the run's, or 0.
    int Report(const ops::RunOutcome& outcome, bool hex, bool sayNext = true);
    // The numbers come from a database that other stations share: say so, and say which
    // number went into the chip rather than a next number others may take meanwhile.
    void CountInDatabase() { database_ = true; }
    // One line on where the counter stands now, safe to call from another thread.
    std::string StateNow() const;

  private:
    enum Phase : int { kBefore, kTaken, kDone };
    std::optional<std::uint32_t> Reserve();
    void Refused(const production::SourceRefusal& refusal);

    ReportLines& output_;
    UiLanguage language_;
    production::SerialSource& source_;
    std::string path_;
    std::optional<std::uint32_t> typed_;
    bool noSave_;
    bool counting_ = false;
    bool database_ = false;
    std::atomic<int> phase_{kBefore};
    std::atomic<std::uint32_t> taken_{0};
};

}  // namespace kx::cli
