#include "platform/interrupts.h"

#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace kx::platform {

struct HeldInterrupts::State {
    std::function<void()> onRequest;
    bool ended = false;
};

namespace {

// The system calls the console handler on a thread of its own; the holds alive now, the
// latest last. The mutex also lets End wait for a call in progress.
std::mutex gMutex;
std::vector<const std::function<void()>*> gHolds;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    const std::lock_guard lock(gMutex);
    if (gHolds.empty()) return FALSE;
    (*gHolds.back())();
    return TRUE;
}

}  // namespace

HeldInterrupts::HeldInterrupts(std::function<void()> onRequest)
    : state_(std::make_unique<State>()) {
    state_->onRequest = std::move(onRequest);
    const std::lock_guard lock(gMutex);
    if (gHolds.empty()) ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
    gHolds.push_back(&state_->onRequest);
}

HeldInterrupts::~HeldInterrupts() {
    End();
}

bool HeldInterrupts::End() {
    if (state_->ended) return false;
    state_->ended = true;
    const std::lock_guard lock(gMutex);
    std::erase(gHolds, &state_->onRequest);
    if (gHolds.empty()) ::SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
    // The handler runs each request to its end under the mutex: none is left pending.
    return false;
}

void EndProcessNow(int status) {
    std::_Exit(status);
}

}  // namespace kx::platform
