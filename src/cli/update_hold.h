#pragma once
// Ctrl-C, SIGTERM and SIGHUP while the firmware update has the box in its loader: a first
// signal is answered with why the update goes on and how long it still takes; a second one
// within a few seconds ends the program, saying what state the box is left in and how to
// finish.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/interrupt_hold.h"
#include "messages/message_catalogue.h"

namespace kx::cli {

class UpdateHold {
  public:
    // A second signal within this time after the first ends the program.
    static constexpr std::chrono::seconds kSecondSignalWindow{5};

    UpdateHold(UiLanguage language, int exitStatus)
        : language_(language), exitStatus_(exitStatus) {}

    // The box enters (true) or leaves (false) the stretch that must not be cut short.
    void Busy(bool on);
    // The update's progress bar; the estimate of the time still to go follows it.
    void Progress(std::uint32_t upper, std::uint32_t pos);

    // The answer to a first signal, and the last words before a second one ends the program.
    std::string FirstSignalText() const;
    std::string LastWords() const;

  private:
    // Seconds still to go, from the time taken so far and the part done; nullopt before the
    // bar has moved.
    std::optional<std::uint32_t> SecondsToGo() const;

    UiLanguage language_;
    int exitStatus_;
    std::optional<InterruptHold> hold_;
    std::atomic<std::chrono::steady_clock::rep> startTicks_{0};
    std::atomic<std::uint32_t> upper_{0};
    std::atomic<std::uint32_t> pos_{0};
};

}  // namespace kx::cli
