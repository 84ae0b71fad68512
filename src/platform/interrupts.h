#pragma once
// The user's requests to stop the program (Ctrl-C; on Linux also SIGTERM and SIGHUP, on
// Windows also closing the console), taken away from their usual effect for a while.

#include <functional>
#include <memory>

namespace kx::platform {

class HeldInterrupts {
  public:
    // From now until End, such a request no longer ends the process: `onRequest` is called
    // for each, on a thread of its own (never the caller's). A request the process ignores
    // (nohup, a background job) stays ignored. On Linux only the calling thread's signal mask
    // is changed, so the process must not have other threads that take these signals.
    explicit HeldInterrupts(std::function<void()> onRequest);
    ~HeldInterrupts();
    HeldInterrupts(const HeldInterrupts&) = delete;
    HeldInterrupts& operator=(const HeldInterrupts&) = delete;

    // Gives the requests their usual effect back (the destructor does it otherwise). True
    // when a request came that `onRequest` was not called for (it came at the very end).
    bool End();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Ends the process at once with `status`, running no exit handlers and destructors: what is
// left to say has been said.
[[noreturn]] void EndProcessNow(int status);

}  // namespace kx::platform
