#include "cli/update_hold.h"

#include "messages/text_catalogue.h"

namespace kx::cli {
namespace {

using Steady = std::chrono::steady_clock;

}  // namespace

void UpdateHold::Busy(bool on) {
    if (!on) {
        hold_.reset();
        return;
    }
    if (hold_) return;
    upper_ = 0;
    pos_ = 0;
    startTicks_ = Steady::now().time_since_epoch().count();
    hold_.emplace(
        InterruptHold::Texts{[this] { return FirstSignalText(); }, [this] { return LastWords(); }},
        exitStatus_, kSecondSignalWindow);
}

void UpdateHold::Progress(std::uint32_t upper, std::uint32_t pos) {
    upper_ = upper;
    pos_ = pos;
}

std::optional<std::uint32_t> UpdateHold::SecondsToGo() const {
    const std::uint64_t upper = upper_, pos = pos_;
    if (pos == 0 || upper < pos) return std::nullopt;
    const Steady::duration taken =
        Steady::now() - Steady::time_point(Steady::duration(startTicks_.load()));
    const auto takenMs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(taken).count());
    return static_cast<std::uint32_t>((takenMs * (upper - pos) / pos + 999) / 1000);
}

std::string UpdateHold::FirstSignalText() const {
    const std::optional<std::uint32_t> toGo = SecondsToGo();
    const std::string window = std::to_string(kSecondSignalWindow.count());
    const std::string time =
        toGo ? SayText(language_, Text::UpdateSecondsToGo, {std::to_string(*toGo)})
             : SayText(language_, Text::UpdateHalfAMinuteInAll);
    return "\n" + SayText(language_, Text::UpdateCannotBeInterrupted, {time, window}) + "\n";
}

std::string UpdateHold::LastWords() const {
    return "\n" + SayText(language_, Text::UpdateInterruptedFinishIt) + "\n";
}

}  // namespace kx::cli
