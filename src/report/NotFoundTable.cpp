#include "report/NotFoundTable.h"

#include <algorithm>

namespace tarifon {

namespace {

void addTerminal(std::vector<std::string>& terminals, std::string_view terminal) {
    if (terminal.empty() || terminals.size() >= NotFoundTable::kMaxTerminals)
        return;
    const auto at = std::lower_bound(terminals.begin(), terminals.end(), terminal);
    if (at == terminals.end() || *at != terminal)
        terminals.insert(at, std::string(terminal));
}

}  // namespace

NotFoundEntry* NotFoundTable::find(const std::string& code, uint64_t count) {
    if (const auto it = m_entries.find(code); it != m_entries.end())
        return &it->second;
    if (m_entries.size() >= m_maxCodes) {
        m_overflow += count;
        return nullptr;
    }
    NotFoundEntry& entry = m_entries[code];
    entry.code = code;
    return &entry;
}

bool NotFoundTable::record(std::string_view code, std::string_view terminal, int64_t when) {
    return add(NotFoundEntry{std::string(code), 1, when, when, {std::string(terminal)}});
}

bool NotFoundTable::add(const NotFoundEntry& other) {
    NotFoundEntry* entry = find(other.code, other.count);
    if (entry == nullptr)
        return false;
    if (entry->count == 0) {
        entry->first = other.first;
        entry->last = other.last;
    } else {
        entry->first = std::min(entry->first, other.first);
        entry->last = std::max(entry->last, other.last);
    }
    entry->count += other.count;
    for (const std::string& terminal : other.terminals)
        addTerminal(entry->terminals, terminal);
    return true;
}

void NotFoundTable::addAll(const NotFoundTable& other) {
    for (const auto& [code, entry] : other.m_entries)
        add(entry);
    m_overflow += other.m_overflow;
}

std::vector<NotFoundEntry> NotFoundTable::entries() const {
    std::vector<NotFoundEntry> sorted;
    sorted.reserve(m_entries.size());
    for (const auto& [code, entry] : m_entries)
        sorted.push_back(entry);
    std::sort(sorted.begin(), sorted.end(),
              [](const NotFoundEntry& a, const NotFoundEntry& b) { return a.code < b.code; });
    return sorted;
}

}  // namespace tarifon
