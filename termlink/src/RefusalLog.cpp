#include "termlink/RefusalLog.h"

namespace termlink {

std::string RefusalLog::line(const Key& key, uint64_t count) {
    return "refused connection from " + key.first + " (" + key.second + "), " +
           std::to_string(count) + " in the last minute";
}

std::optional<std::string> RefusalLog::refused(const std::string& address, Clock::time_point now,
                                               std::string_view why) {
    if (const std::optional<Key> key = m_counts.event(Key{address, std::string(why)}, now))
        return line(*key, 1);
    return std::nullopt;
}

std::vector<std::string> RefusalLog::due(Clock::time_point now) {
    std::vector<std::string> lines;
    for (const auto& [key, count] : m_counts.due(now))
        lines.push_back(line(key, count));
    return lines;
}

std::optional<RefusalLog::Clock::time_point> RefusalLog::nextDue() const {
    return m_counts.nextDue();
}

}  // namespace termlink
