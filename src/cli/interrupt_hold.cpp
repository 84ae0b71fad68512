#include "cli/interrupt_hold.h"

#include <cstdio>

namespace kx::cli {
namespace {

void WriteText(const std::string& text) {
    if (text.empty()) return;
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

InterruptHold::InterruptHold(Texts texts, int exitStatus, std::chrono::milliseconds window)
    : texts_(std::move(texts)),
      exitStatus_(exitStatus),
      window_(window),
      held_([this] { Take(); }) {}

InterruptHold::~InterruptHold() {
    Release();
}

bool InterruptHold::Release() {
    if (released_) return Requested();
    released_ = true;
    // A signal that came at the very end counts, so that ending the hold does not kill the
    // process after all.
    if (held_.End()) requested_ = true;
    return Requested();
}

void InterruptHold::Take() {
    const auto now = std::chrono::steady_clock::now();
    const bool second =
        requested_ && (window_ == std::chrono::milliseconds::zero() || now - firstAt_ <= window_);
    if (second) {
        if (texts_.onSecond) WriteText(texts_.onSecond());
        platform::EndProcessNow(exitStatus_);
    }
    requested_ = true;
    firstAt_ = now;
    if (texts_.onFirst) WriteText(texts_.onFirst());
}

}  // namespace kx::cli
