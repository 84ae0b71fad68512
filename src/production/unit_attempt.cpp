#include "production/unit_attempt.h"

#include "production/production_log.h"

namespace kx::production {
namespace {

// A catalogue text with the line breaks that only lay out the pane taken off its ends; the
// breaks inside it stay, quoted in the field.
std::string ResultText(Message message, UiLanguage language) {
    std::string_view text = MessageText(message, language);
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

void AttemptClock::Stamp(UnitAttempt& attempt) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - steadyStart_);
    attempt.started = started_;
    attempt.durationMs = static_cast<std::uint32_t>(elapsed.count());
}

std::optional<std::string> RecordUnitAttempt(const std::string& path, const UnitAttempt& attempt,
                                             UiLanguage language) {
    LogRow row;
    row.time = IsoLocalTime(attempt.started);
    row.station = StationName();
    row.port = attempt.port;
    row.box = attempt.box;
    row.device = attempt.device;
    row.chipId = attempt.chipId;
    row.mode = attempt.mode;
    row.imageSha256 = attempt.imageSha256;
    row.serial = attempt.serial;
    row.message = static_cast<int>(attempt.result);
    row.messageText = ResultText(attempt.result, language);
    row.durationMs = attempt.durationMs;
    return AppendLogRow(path, row, language);
}

}  // namespace kx::production
