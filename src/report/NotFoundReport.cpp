#include "report/NotFoundReport.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <iterator>
#include <utility>

#include "base/AtomicWrite.h"
#include "report/NotFoundCsv.h"

namespace tarifon {

namespace fs = std::filesystem;

namespace {

int64_t secondsOf(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
}

// The file's codes; nothing when it is missing; an error when it cannot be read or parsed.
Result<NotFoundTable> readFile(const fs::path& file, size_t maxCodes) {
    NotFoundTable table(maxCodes);
    std::error_code ec;
    if (!fs::exists(file, ec) && !ec)
        return table;
    std::ifstream in(file, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof())
        return fail("cannot read " + file.string());
    if (const Result<void> read = readNotFoundCsv(text, table); !read)
        return fail(read.error());
    return table;
}

// A name beside `file` that nothing holds yet.
// The time goes in without colons, which a shop's Windows share would refuse.
fs::path asideName(const fs::path& file) {
    std::string time = formatUtcTime(secondsOf(std::chrono::system_clock::now()));
    std::erase_if(time, [](char c) { return c == '-' || c == ':'; });
    const std::string stem = file.string() + ".unreadable-" + time;
    fs::path aside = stem;
    std::error_code ec;
    for (int n = 1; fs::exists(aside, ec); ++n)
        aside = stem + "-" + std::to_string(n);
    return aside;
}

}  // namespace

NotFoundReport::NotFoundReport(fs::path file, size_t maxCodes)
    : m_file(std::move(file)), m_maxCodes(maxCodes), m_pending(maxCodes) {}

std::optional<std::string> NotFoundReport::overflowLine(uint64_t dropped) {
    if (dropped == 0 || m_overflowLogged)
        return std::nullopt;
    m_overflowLogged = true;
    return m_file.filename().string() + " holds its most, " + std::to_string(m_maxCodes) +
           " codes: codes not yet in it are no longer counted";
}

std::optional<std::string> NotFoundReport::record(std::string_view code, std::string_view terminal,
                                                  std::chrono::system_clock::time_point when) {
    if (m_pending.record(code, terminal, secondsOf(when)))
        return std::nullopt;
    return overflowLine(m_pending.overflow());
}

NotFoundSummary NotFoundReport::summary(size_t top, std::chrono::steady_clock::time_point now) {
    if (m_summarised && now - *m_summarised < kSaveInterval)
        return m_summary;
    m_summarised = now;
    // An unreadable file is the save's to report; the summary then shows what waits.
    Result<NotFoundTable> read = readFile(m_file, m_maxCodes);
    NotFoundTable table = read ? std::move(read.value()) : NotFoundTable(m_maxCodes);
    table.addAll(m_pending);
    std::vector<NotFoundEntry> entries = table.entries();
    const size_t n = std::min(top, entries.size());
    std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(n),
                      entries.end(), [](const NotFoundEntry& a, const NotFoundEntry& b) {
                          return a.count != b.count ? a.count > b.count : a.code < b.code;
                      });
    m_summary.codes = entries.size();
    m_summary.top.clear();
    for (size_t i = 0; i < n; ++i)
        m_summary.top.emplace_back(entries[i].code, entries[i].count);
    return m_summary;
}

std::vector<std::string> NotFoundReport::saveIfDue(std::chrono::steady_clock::time_point now) {
    if (!m_lastSave)
        m_lastSave = now;
    if (now - *m_lastSave < kSaveInterval)
        return {};
    m_lastSave = now;
    return save();
}

std::vector<std::string> NotFoundReport::save() {
    std::vector<std::string> log;
    if (m_pending.size() == 0)
        return log;
    Result<NotFoundTable> merged = readFile(m_file, m_maxCodes);
    if (!merged) {
        // Whatever the file held stays readable under the new name for someone to mend.
        const fs::path aside = asideName(m_file);
        std::error_code ec;
        fs::rename(m_file, aside, ec);
        if (ec) {
            log.push_back(merged.error() + "; cannot move it aside (" + ec.message() +
                          "): the codes wait in memory");
            return log;
        }
        log.push_back(merged.error() + "; kept as " + aside.filename().string() +
                      ", a new report begins");
        merged = NotFoundTable(m_maxCodes);
    }
    NotFoundTable& table = merged.value();
    table.addAll(m_pending);
    if (const Result<void> written = writeFileAtomically(m_file, writeNotFoundCsv(table.entries()));
        !written) {
        log.push_back(written.error() + ": the codes wait in memory");
        return log;
    }
    if (const std::optional<std::string> line = overflowLine(table.overflow()))
        log.push_back(*line);
    m_pending = NotFoundTable(m_maxCodes);
    return log;
}

}  // namespace tarifon
