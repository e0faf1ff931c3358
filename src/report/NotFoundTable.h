#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarifon {

// One code answered "not found": how often, first and last time (seconds since the
// epoch, UTC) and the terminals that asked, sorted.
struct NotFoundEntry {
    std::string code;
    uint64_t count = 0;
    int64_t first = 0;
    int64_t last = 0;
    std::vector<std::string> terminals;

    bool operator==(const NotFoundEntry&) const = default;
};

// Not-found codes counted in memory, bounded: a hostile terminal scanning random codes
// must not grow the program without end.  Once the table holds its maximum, codes it
// already knows keep counting and new ones are counted only in overflow().
class NotFoundTable {
public:
    static constexpr size_t kMaxCodes = 100'000;
    // Terminals listed per code; more are not named, the count still grows.
    static constexpr size_t kMaxTerminals = 16;

    explicit NotFoundTable(size_t maxCodes = kMaxCodes) : m_maxCodes(maxCodes) {}

    // False when the code was new and the table full.
    bool record(std::string_view code, std::string_view terminal, int64_t when);
    // Adds another count of the same code: counts add, first is the earlier, last the
    // later, the terminals are united.  False when the code was new and the table full.
    bool add(const NotFoundEntry& entry);
    void addAll(const NotFoundTable& other);

    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty() && m_overflow == 0; }
    // Scans of codes that were not counted because the table was full.
    uint64_t overflow() const { return m_overflow; }
    size_t maxCodes() const { return m_maxCodes; }
    // Sorted by code, so the file is stable from one save to the next.
    std::vector<NotFoundEntry> entries() const;

private:
    NotFoundEntry* find(const std::string& code, uint64_t count);

    size_t m_maxCodes;
    uint64_t m_overflow = 0;
    std::unordered_map<std::string, NotFoundEntry> m_entries;
};

}  // namespace tarifon
