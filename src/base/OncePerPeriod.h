#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace tarifon {

// Keeps what is logged about an event that repeats to one line per kind and period, so a
// flood of them cannot flood the log: the first event of a key is told at once; those that
// follow within its period are counted and told together when the period is over; a key
// with nothing left to tell is then forgotten, and its next event is told at once again.
// At most `maxKeys` keys are told apart (idle ones make room); an event of a further key
// counts under the key `other` gives for it.  One thread.
template <class Key>
class OncePerPeriod {
public:
    using Clock = std::chrono::steady_clock;

    OncePerPeriod(Clock::duration period, size_t maxKeys, std::function<Key(const Key&)> other)
        : m_period(period), m_maxKeys(maxKeys), m_other(std::move(other)) {}

    // One event: the key to tell it under now (its own, or the other one), or nothing when
    // it is only counted.
    std::optional<Key> event(const Key& key, Clock::time_point now) {
        Key counted = key;
        if (!m_entries.contains(counted) && m_entries.size() >= m_maxKeys) {
            std::erase_if(m_entries, [&](const auto& item) {
                return item.second.untold == 0 && now - item.second.told >= m_period;
            });
            if (m_entries.size() >= m_maxKeys)
                counted = m_other(key);
        }
        const auto it = m_entries.find(counted);
        if (it == m_entries.end() || now - it->second.told >= m_period) {
            m_entries[counted] = Entry{now, 0};
            return counted;
        }
        ++it->second.untold;
        return std::nullopt;
    }

    // The keys whose period is over with events not yet told, and how many.
    std::vector<std::pair<Key, uint64_t>> due(Clock::time_point now) {
        std::vector<std::pair<Key, uint64_t>> counts;
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            Entry& entry = it->second;
            if (now - entry.told < m_period) {
                ++it;
            } else if (entry.untold > 0) {
                counts.emplace_back(it->first, entry.untold);
                entry = Entry{now, 0};
                ++it;
            } else {
                it = m_entries.erase(it);
            }
        }
        return counts;
    }

    // When due() next has something to give.
    std::optional<Clock::time_point> nextDue() const {
        std::optional<Clock::time_point> next;
        for (const auto& [key, entry] : m_entries) {
            if (entry.untold > 0 && (!next || entry.told + m_period < *next))
                next = entry.told + m_period;
        }
        return next;
    }

private:
    struct Entry {
        Clock::time_point told;
        uint64_t untold = 0;
    };

    const Clock::duration m_period;
    const size_t m_maxKeys;
    const std::function<Key(const Key&)> m_other;
    std::map<Key, Entry> m_entries;
};

}  // namespace tarifon
