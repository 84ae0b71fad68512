#include "production/production_log.h"

#include <array>
#include <cstdio>

#include "messages/text_catalogue.h"
#include "platform/file_lock.h"
#include "platform/system_info.h"

namespace kx::production {
namespace {

std::string NotWritten(const std::string& path, const platform::AppendFailure& failure,
                       UiLanguage language) {
    using Kind = platform::AppendFailure::Kind;
    if (failure.kind == Kind::Folder) return SayText(language, Text::ProductionLogIsFolder, {path});
    if (failure.kind == Kind::ReadOnly) {
        return SayText(language, Text::ProductionLogReadOnly, {path});
    }
    return SayText(language, Text::ProductionLogNotWritten, {path, failure.reason});
}

}  // namespace

CsvRow LogHeader() {
    return {"time", "station",      "port",   "box",     "device", "chip_id",
            "mode", "image_sha256", "serial", "message", "result", "duration_ms"};
}

CsvRow LogFields(const LogRow& row) {
    std::array<char, 8> chip{};
    std::snprintf(chip.data(), chip.size(), "%04X", row.chipId);
    return {row.time,
            row.station,
            row.port,
            row.box,
            row.device,
            chip.data(),
            row.mode,
            row.imageSha256,
            row.serial ? std::to_string(*row.serial) : std::string(),
            std::to_string(row.message),
            row.messageText,
            std::to_string(row.durationMs)};
}

std::string IsoLocalTime(std::time_t when) {
    std::tm local{};
    if (!platform::LocalTime(when, local)) return {};
    std::array<char, 40> text{};
    const std::size_t n = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso(text.data(), n);
    // strftime gives "+0800"; ISO 8601's extended form wants "+08:00".
    if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");
    return iso;
}

std::string StationName() {
    return platform::HostName();
}

std::optional<std::string> AppendLogRow(const std::string& path, const LogRow& row,
                                        UiLanguage language) {
    // The lock makes "empty, so the header first" one step among all writers of the log, and
    // lets a failed row be taken back without cutting another writer's row.
    const auto failure = platform::AppendUnderLock(path, [&row](bool empty) {
        std::string bytes;
        if (empty) bytes = RenderCsvRow(LogHeader());
        return bytes + RenderCsvRow(LogFields(row));
    });
    if (failure) return NotWritten(path, *failure, language);
    return std::nullopt;
}

}  // namespace kx::production
