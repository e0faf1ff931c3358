#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the status page, the metrics and the health check tell about the running program,
// gathered as it works: scans by outcome and transport, lookup times, scans per minute of
// the last hour, the terminals and their last scans, database accesses, the event log's
// last lines.  Plain data on the user-interface thread; the renderers read it.
namespace tarifon::console {

using Clock = std::chrono::system_clock;

// How a terminal reaches the library: its own protocol, a web price checker's request,
// a kiosk page's WebSocket.
enum class Transport { Tcp, Http, Ws };
inline constexpr size_t kTransports = 3;
const char* transportName(Transport transport);
// Web price checkers' requests have socket values past the table's; kiosk pages announce
// the browser model.
Transport transportOf(int32_t socket, int32_t model);

// Skipped lookups (no database path) count as failed: the customer got no price.
enum class Outcome { Found, NotFound, Failed };
inline constexpr size_t kOutcomes = 3;
const char* outcomeName(Outcome outcome);

struct LastScan {
    std::string code;  // UTF-8
    Outcome outcome = Outcome::Failed;
    std::string answer;  // description and price, UTF-8; empty unless found
    Clock::time_point when;
};

struct Terminal {
    int32_t socket = 0;
    std::string address;
    int32_t model = 0;
    Transport transport = Transport::Tcp;
    Clock::time_point connectedSince;  // when the program first saw it listed
    std::optional<LastScan> lastScan;
};

// A listed terminal as one refresh of the table shows it.
struct SeenTerminal {
    int32_t socket = 0;
    std::string address;
    int32_t model = 0;
};

struct DatabaseAccess {
    bool ok = true;
    std::string reason;  // one line, when it failed
    Clock::time_point when;
};

struct LogLine {
    Clock::time_point when;
    std::string text;
};

// Lookup times in seconds; the buckets span a kept attachment's fraction of a millisecond
// up to a database that hangs until its time-out.
struct LatencyHistogram {
    static constexpr std::array<double, 14> kBounds = {
        0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};
    std::array<uint64_t, kBounds.size()> buckets{};  // not cumulative: one bucket per lookup
    uint64_t count = 0;
    double sum = 0;

    void add(std::chrono::nanoseconds duration);
};

class Stats {
public:
    static constexpr size_t kLogLines = 200;
    static constexpr size_t kMinutes = 60;

    explicit Stats(Clock::time_point started = Clock::now()) : m_started(started) {}

    void scan(int32_t socket, Transport transport, std::string code, Outcome outcome,
              std::string answer, std::chrono::nanoseconds latency, Clock::time_point when);
    // The listed terminals now: those gone are forgotten, new ones are connected since `now`.
    void terminalsListed(const std::vector<SeenTerminal>& seen, Clock::time_point now);
    void databaseAccess(DatabaseAccess access);
    void logLine(std::string text, Clock::time_point when);
    // A picture set requested for a terminal, by what became of the request.
    void pictureDistribution(const std::string& outcome) { ++m_distributions[outcome]; }

    Clock::time_point started() const { return m_started; }
    uint64_t scans(Outcome outcome, Transport transport) const {
        return m_scans[static_cast<size_t>(outcome)][static_cast<size_t>(transport)];
    }
    uint64_t scans(Outcome outcome) const;
    const LatencyHistogram& latency() const { return m_latency; }
    // Scans in each of the last kMinutes minutes, the oldest first, the current one last.
    std::array<uint64_t, kMinutes> scansPerMinute(Clock::time_point now) const;
    // In the order they were first seen.
    const std::vector<Terminal>& terminals() const { return m_terminals; }
    const std::optional<DatabaseAccess>& lastDatabaseAccess() const { return m_lastDatabase; }
    uint64_t databaseFailures() const { return m_databaseFailures; }
    const std::deque<LogLine>& log() const { return m_log; }
    const std::map<std::string, uint64_t>& pictureDistributions() const { return m_distributions; }

private:
    Clock::time_point m_started;
    std::array<std::array<uint64_t, kTransports>, kOutcomes> m_scans{};
    LatencyHistogram m_latency;
    // Per minute since the epoch; a slot of an older minute counts as empty.
    std::array<std::pair<int64_t, uint64_t>, kMinutes> m_minutes{};
    std::vector<Terminal> m_terminals;
    std::optional<DatabaseAccess> m_lastDatabase;
    uint64_t m_databaseFailures = 0;
    std::deque<LogLine> m_log;
    std::map<std::string, uint64_t> m_distributions;
};

}  // namespace tarifon::console
