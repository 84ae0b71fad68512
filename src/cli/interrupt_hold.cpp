#include "cli/interrupt_hold.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace kx::cli {
namespace {

constexpr long kPollNs = 50'000'000;  // how quickly the watcher notices the end of the hold

void WriteText(const std::string& text) {
    if (text.empty()) return;
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

InterruptHold::InterruptHold(Texts texts, int exitStatus, std::chrono::milliseconds window)
    : texts_(std::move(texts)), exitStatus_(exitStatus), window_(window) {
    sigemptyset(&held_);
    sigaddset(&held_, SIGINT);
    sigaddset(&held_, SIGTERM);
    sigaddset(&held_, SIGHUP);
    // Blocked before the watcher starts, so that it inherits the mask and no thread of the
    // process can be killed by them; the watcher takes them with sigtimedwait.
    pthread_sigmask(SIG_BLOCK, &held_, &previous_);
    watcher_ = std::thread([this] { Watch(); });
}

InterruptHold::~InterruptHold() {
    stop_ = true;
    watcher_.join();
    // A signal that came after the watcher's last look is still pending: count it, so that
    // unblocking does not kill the process after all.
    const timespec none{0, 0};
    while (sigtimedwait(&held_, nullptr, &none) > 0) requested_ = true;
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void InterruptHold::Watch() {
    const timespec poll{0, kPollNs};
    while (!stop_) {
        const int signal = sigtimedwait(&held_, nullptr, &poll);
        if (signal > 0) Take(signal);
    }
}

void InterruptHold::Take(int /*signal*/) {
    const auto now = std::chrono::steady_clock::now();
    const bool second =
        requested_ && (window_ == std::chrono::milliseconds::zero() || now - firstAt_ <= window_);
    if (second) {
        if (texts_.onSecond) WriteText(texts_.onSecond());
        _exit(exitStatus_);
    }
    requested_ = true;
    firstAt_ = now;
    if (texts_.onFirst) WriteText(texts_.onFirst());
}

}  // namespace kx::cli
