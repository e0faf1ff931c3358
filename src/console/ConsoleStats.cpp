#include "console/ConsoleStats.h"

#include <algorithm>

#include <termlink.h>

namespace tarifon::console {

namespace {

int64_t minuteOf(Clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::minutes>(when.time_since_epoch()).count();
}

}  // namespace

const char* transportName(Transport transport) {
    switch (transport) {
        case Transport::Http:
            return "http";
        case Transport::Ws:
            return "ws";
        case Transport::Tcp:
            break;
    }
    return "tcp";
}

Transport transportOf(int32_t socket, int32_t model) {
    if (socket >= TERMLINK_TABLE_SLOTS)
        return Transport::Http;
    return model == TERMLINK_MODEL_BROWSER ? Transport::Ws : Transport::Tcp;
}

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Found:
            return "found";
        case Outcome::NotFound:
            return "not_found";
        case Outcome::Failed:
            break;
    }
    return "failed";
}

void LatencyHistogram::add(std::chrono::nanoseconds duration) {
    const double seconds = std::chrono::duration<double>(duration).count();
    const auto bound = std::lower_bound(kBounds.begin(), kBounds.end(), seconds);
    if (bound != kBounds.end())
        ++buckets[static_cast<size_t>(bound - kBounds.begin())];
    ++count;
    sum += seconds;
}

void Stats::scan(int32_t socket, Transport transport, std::string code, Outcome outcome,
                 std::string answer, std::chrono::nanoseconds latency, Clock::time_point when) {
    ++m_scans[static_cast<size_t>(outcome)][static_cast<size_t>(transport)];
    m_latency.add(latency);
    const int64_t minute = minuteOf(when);
    auto& slot = m_minutes[static_cast<size_t>(minute % static_cast<int64_t>(kMinutes))];
    if (slot.first != minute)
        slot = {minute, 0};
    ++slot.second;
    const auto terminal = std::find_if(m_terminals.begin(), m_terminals.end(),
                                       [socket](const Terminal& t) { return t.socket == socket; });
    if (terminal != m_terminals.end())
        terminal->lastScan = LastScan{std::move(code), outcome, std::move(answer), when};
}

uint64_t Stats::scans(Outcome outcome) const {
    uint64_t total = 0;
    for (const uint64_t n : m_scans[static_cast<size_t>(outcome)])
        total += n;
    return total;
}

std::array<uint64_t, Stats::kMinutes> Stats::scansPerMinute(Clock::time_point now) const {
    std::array<uint64_t, kMinutes> counts{};
    const int64_t current = minuteOf(now);
    for (size_t i = 0; i < kMinutes; ++i) {
        const int64_t minute = current - static_cast<int64_t>(kMinutes - 1 - i);
        const auto& slot = m_minutes[static_cast<size_t>(minute % static_cast<int64_t>(kMinutes))];
        counts[i] = slot.first == minute ? slot.second : 0;
    }
    return counts;
}

void Stats::terminalsListed(const std::vector<SeenTerminal>& seen, Clock::time_point now) {
    // A socket value given to another terminal is a new terminal: its address or model differs.
    std::erase_if(m_terminals, [&seen](const Terminal& t) {
        return std::none_of(seen.begin(), seen.end(), [&t](const SeenTerminal& s) {
            return s.socket == t.socket && s.address == t.address && s.model == t.model;
        });
    });
    for (const SeenTerminal& s : seen) {
        const bool known = std::any_of(m_terminals.begin(), m_terminals.end(),
                                       [&s](const Terminal& t) { return t.socket == s.socket; });
        if (known)
            continue;
        Terminal terminal;
        terminal.socket = s.socket;
        terminal.address = s.address;
        terminal.model = s.model;
        terminal.transport = transportOf(s.socket, s.model);
        terminal.connectedSince = now;
        m_terminals.push_back(std::move(terminal));
    }
}

void Stats::databaseAccess(DatabaseAccess access) {
    if (!access.ok)
        ++m_databaseFailures;
    m_lastDatabase = std::move(access);
}

void Stats::logLine(std::string text, Clock::time_point when) {
    if (m_log.size() >= kLogLines)
        m_log.pop_front();
    m_log.push_back({when, std::move(text)});
}

}  // namespace tarifon::console
