#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "report/NotFoundTable.h"

namespace tarifon {

// notfound.csv: a header line, then one line per code, comma-separated with the usual
// quoting (a field holding a comma, a quote or a line break is quoted, its quotes
// doubled), UTF-8.  Columns: code, count, first, last (ISO 8601 UTC), terminals (the
// addresses, space-separated).  A code a spreadsheet would take for a formula (leading
// = + - @, a tab or a carriage return) is written behind a single quote, as is one that
// starts with a single quote; reading drops that quote again.
inline constexpr std::string_view kNotFoundCsvHeader = "code,count,first,last,terminals";

// "2026-12-09T12:32:00Z".
std::string formatUtcTime(int64_t secondsSinceEpoch);
// Exactly the form formatUtcTime writes; nothing for anything else.
std::optional<int64_t> parseUtcTime(std::string_view text);

std::string writeNotFoundCsv(const std::vector<NotFoundEntry>& entries);
// Adds the file's lines to `into` (a code listed twice counts twice).  On an error
// (naming the line) `into` may hold part of the file: read into a fresh table.
Result<void> readNotFoundCsv(std::string_view text, NotFoundTable& into);

}  // namespace tarifon
