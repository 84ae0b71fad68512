#pragma once
// Holds SIGINT, SIGTERM and SIGHUP back for a stretch of work that must not be cut short
// (one unit and its serial number, a firmware update). A first signal is only noted and
// announced; a second one ends the process at once, after saying what state it leaves.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "platform/interrupts.h"

namespace kx::cli {

class InterruptHold {
  public:
    struct Texts {
        // Written to stderr on a first signal. Called on the watcher thread.
        std::function<std::string()> onFirst;
        // Written to stderr before a second signal ends the process. Called on the watcher
        // thread.
        std::function<std::string()> onSecond;
    };

    // `exitStatus` is the status a second signal ends the process with. With a `window`
    // above zero, only a second signal within that time after the first ends it; a later
    // one counts as a new first signal. On Linux only the calling thread's signal mask is
    // changed, so the process must not have other threads that take these signals. A signal
    // the process ignores (nohup, a background job) stays ignored.
    InterruptHold(Texts texts, int exitStatus,
                  std::chrono::milliseconds window = std::chrono::milliseconds::zero());
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

    // A first signal came while held.
    bool Requested() const { return requested_.load(); }
    // Ends the hold now (the destructor does it otherwise) and says whether a first signal
    // came, counting one that was still pending at the end.
    bool Release();

  private:
    void Take();

    Texts texts_;
    int exitStatus_;
    std::chrono::milliseconds window_;
    std::atomic<bool> requested_{false};
    bool released_ = false;
    std::chrono::steady_clock::time_point firstAt_{};
    platform::HeldInterrupts held_;  // last: calls Take once everything above exists
};

}  // namespace kx::cli
