#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/NotFoundTable.h"

namespace tarifon {

// The codes answered "not found" since the last save, and notfound.csv that they are
// merged into: at most every kSaveInterval and at shutdown, atomically.  A file that
// cannot be read is moved aside under a new name, never overwritten.  Returns log lines
// rather than logging, so it stays free of the window.
// The report in brief, for the status page and the metrics.
struct NotFoundSummary {
    size_t codes = 0;                                   // distinct codes
    std::vector<std::pair<std::string, uint64_t>> top;  // the most frequent first
};

class NotFoundReport {
public:
    static constexpr std::chrono::seconds kSaveInterval{60};

    explicit NotFoundReport(std::filesystem::path file, size_t maxCodes = NotFoundTable::kMaxCodes);

    // A log line the first time the bound leaves a code uncounted.
    std::optional<std::string> record(std::string_view code, std::string_view terminal,
                                      std::chrono::system_clock::time_point when);
    // save() once kSaveInterval has passed since the last one (or since the first call).
    std::vector<std::string> saveIfDue(std::chrono::steady_clock::time_point now);
    // Merges what was counted since the last save into the file; on failure it stays
    // in memory for the next attempt.
    std::vector<std::string> save();

    const std::filesystem::path& file() const { return m_file; }

    // The file and what waits to be saved, together; worked out again at most once per
    // kSaveInterval, since the file may hold a hundred thousand codes.
    NotFoundSummary summary(size_t top, std::chrono::steady_clock::time_point now);

private:
    std::optional<std::string> overflowLine(uint64_t dropped);

    std::filesystem::path m_file;
    size_t m_maxCodes;
    NotFoundTable m_pending;
    bool m_overflowLogged = false;
    std::optional<std::chrono::steady_clock::time_point> m_lastSave;
    std::optional<std::chrono::steady_clock::time_point> m_summarised;
    NotFoundSummary m_summary;
};

}  // namespace tarifon
