#pragma once
// The production log: one CSV row per unit attempt, appended to a file that several
// programs (and several boxes) may write at once, so that afterwards one can say which chip
// got which serial number from which image, where and when.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "messages/message_catalogue.h"
#include "production/csv.h"

namespace kx::production {

struct LogRow {
    std::string time;     // IsoLocalTime() when the attempt started
    std::string station;  // StationName()
    std::string port;     // the port's device path
    std::string box;      // the box's identification text
    std::string device;   // the device's name from the catalogue
    std::uint16_t chipId = 0;
    std::string mode;                     // "JTAG", "BSL" or "SBW"
    std::string imageSha256;              // Sha256Hex of the image file's bytes
    std::optional<std::uint32_t> serial;  // the serial number written, if any
    int message = 0;                      // the message the attempt ended with
    std::string messageText;              // that message's text, as shown
    std::uint32_t durationMs = 0;
};

// The first row of every log file.
CsvRow LogHeader();
// The row's fields in the header's order (chip id as four hex digits, an empty serial when
// none was written, line breaks of the message text kept inside its quoted field).
CsvRow LogFields(const LogRow& row);

// "2024-05-01T14:03:07+08:00": local time with its offset from UTC.
std::string IsoLocalTime(std::time_t when);
// The host's name; empty when the system does not say.
std::string StationName();

// Opens the log at `path` for appending (creating it empty when missing) and closes it again:
// a log that cannot take a row is found before a chip is programmed. Nullopt when it can;
// otherwise why not, in `language`.
std::optional<std::string> CheckLogWritable(const std::string& path, UiLanguage language);

// Appends `row` to the log at `path`, creating it (header first) when missing or empty. The
// row goes out in one write while the file is locked against other writers of the log, and
// is synced to disk before the call returns; a row that could not be written whole is taken
// back. Nullopt when it is written; otherwise why not, in `language`.
std::optional<std::string> AppendLogRow(const std::string& path, const LogRow& row,
                                        UiLanguage language);

}  // namespace kx::production
