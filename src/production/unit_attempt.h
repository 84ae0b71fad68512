#pragma once
// One unit attempt as the programs know it after a run, and the one way it becomes a row of
// the production log. The command line, the window and a gang of boxes all record through
// RecordUnitAttempt, so every row is made alike.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "messages/message_catalogue.h"

namespace kx::production {

struct UnitAttempt {
    std::string port;                     // the port's device path
    std::string box;                      // the box's identification; empty when it never answered
    std::string device;                   // the selected device's name
    std::uint16_t chipId = 0;             // as the target reported it; 0 when none was reached
    std::string mode;                     // "JTAG", "BSL" or "SBW"
    std::string imageSha256;              // of the image file's bytes as they were loaded
    std::optional<std::uint32_t> serial;  // the number the chip may now hold, if any
    Message result = Message::ConnectFailed;  // the message the attempt ended with
    std::time_t started = 0;
    std::uint32_t durationMs = 0;
};

// Marks the start of an attempt: wall time for the row, a steady clock for its length.
class AttemptClock {
  public:
    AttemptClock() : started_(std::time(nullptr)), steadyStart_(std::chrono::steady_clock::now()) {}
    // Fills the attempt's start and its duration up to now.
    void Stamp(UnitAttempt& attempt) const;

  private:
    std::time_t started_;
    std::chrono::steady_clock::time_point steadyStart_;
};

// Appends the attempt's row (time with zone, this host as station, the result message's
// number and its text in `language`) to the log at `path`. Safe to call from several
// threads and processes at once. Nullopt when written; otherwise why not, in `language`.
std::optional<std::string> RecordUnitAttempt(const std::string& path, const UnitAttempt& attempt,
                                             UiLanguage language);

}  // namespace kx::production
