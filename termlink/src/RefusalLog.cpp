#include "termlink/RefusalLog.h"

namespace termlink {

namespace {

const std::string kOtherAddresses = "other addresses";

}  // namespace

std::string RefusalLog::line(const Key& key, uint64_t count) {
    return "refused connection from " + key.first + " (" + key.second + "), " +
           std::to_string(count) + " in the last minute";
}

std::optional<std::string> RefusalLog::refused(const std::string& address, Clock::time_point now,
                                               std::string_view why) {
    Key key{address, why};
    if (!m_entries.contains(key) && m_entries.size() >= kMaxAddresses) {
        std::erase_if(m_entries, [now](const auto& item) {
            return item.second.untold == 0 && now - item.second.lastLine >= kPeriod;
        });
        if (m_entries.size() >= kMaxAddresses)
            key.first = kOtherAddresses;
    }
    const auto it = m_entries.find(key);
    if (it == m_entries.end() || now - it->second.lastLine >= kPeriod) {
        m_entries[key] = Entry{now, 0};
        return line(key, 1);
    }
    ++it->second.untold;
    return std::nullopt;
}

std::vector<std::string> RefusalLog::due(Clock::time_point now) {
    std::vector<std::string> lines;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        Entry& entry = it->second;
        if (now - entry.lastLine < kPeriod) {
            ++it;
        } else if (entry.untold > 0) {
            lines.push_back(line(it->first, entry.untold));
            entry = Entry{now, 0};
            ++it;
        } else {
            it = m_entries.erase(it);
        }
    }
    return lines;
}

std::optional<RefusalLog::Clock::time_point> RefusalLog::nextDue() const {
    std::optional<Clock::time_point> next;
    for (const auto& [key, entry] : m_entries) {
        if (entry.untold > 0 && (!next || entry.lastLine + kPeriod < *next))
            next = entry.lastLine + kPeriod;
    }
    return next;
}

}  // namespace termlink
