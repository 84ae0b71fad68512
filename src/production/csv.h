#pragma once
// Comma-separated values as spreadsheets and Python's csv module read them: a field with a
// comma, a quote or a line break is quoted, its quotes doubled; rows end in CR LF.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kx::production {

using CsvRow = std::vector<std::string>;

// One row, fields joined by commas, ending in "\r\n".
std::string RenderCsvRow(const CsvRow& fields);

// All rows of `text` (a line break inside quotes belongs to its field; "\r\n" and "\n" both
// end a row). Nullopt when a quoted field never ends or a quote stands inside a bare field.
std::optional<std::vector<CsvRow>> ParseCsv(std::string_view text);

}  // namespace kx::production
