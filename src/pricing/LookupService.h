#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include <QString>

#include "pricing/LookupPrice.h"

namespace tarifon {

// A scan the service is done with, for the user-interface thread: it logs "#" and
// the code, or shows the failure box when the lookup failed.
struct FinishedLookup {
    int32_t socket = 0;
    QString code;
    LookupOutcome outcome = LookupOutcome::Skipped;
    QString error;            // the database client's message when Failed
    std::string description;  // the answer when found, Windows-1252
    std::string price;
    std::chrono::nanoseconds duration{};  // the lookup alone, without the wait for a worker
};

// Answers scans on a small pool of worker threads: the high-volume mode.  Each worker
// keeps its attachment while scans flow and detaches after an idle time, so an idle
// program holds no database.  Every lookup runs in a read-only, read-committed
// transaction of its own; a lookup that fails on a kept attachment (server restarted,
// network cut) is retried once on a fresh one.  Digit-only codes are looked up through
// the index only (DigitFallback::LeadingZeroSpellings).  A terminal's scans are looked
// up one at a time in the order submitted, so its answers keep that order; different
// terminals are served in parallel.
//
// submit(), hasRoom() and takeFinished() belong to one thread (the user-interface
// thread); the callbacks run on worker threads and must not throw.
class LookupService {
public:
    static constexpr int kMaxWorkers = 64;
    // A lookup mostly waits (a server's round trips, the engine's locks), so more
    // threads than cores keep the queue short.
    static constexpr int kMinDefaultWorkers = 8;
    static constexpr size_t kDefaultCapacity = 4096;

    struct Options {
        int workers = 0;  // 0: the number of cores, at least kMinDefaultWorkers
        std::chrono::milliseconds idleRelease{2000};
        size_t capacity = kDefaultCapacity;  // scans submitted and not yet taken back as finished
    };

    struct Callbacks {
        // The answer to send, as soon as the lookup ends, whatever its outcome (a
        // skipped or failed lookup answers no price, but a web terminal is told).  A
        // terminal's next scan is not looked up before this returns.
        std::function<void(int32_t socket, const PriceReply& reply)> reply{};
        // Optional: takeFinished() has something again after having been emptied.
        std::function<void()> finishedReady{};
    };

    LookupService(Options options, Callbacks callbacks);
    ~LookupService();
    LookupService(const LookupService&) = delete;
    LookupService& operator=(const LookupService&) = delete;

    // The number of threads for a configured `workers` value.
    static int workerCount(int configured);
    int workers() const { return static_cast<int>(m_threads.size()); }

    // Has every worker attach and prepare its statements now, so the first scans do not
    // wait for it; as after a lookup, a worker detaches when idleRelease passes without
    // a scan.  Waits until all have tried or `limit` has passed; true when all attached.
    bool warmUp(const LookupSettings& settings, std::chrono::milliseconds limit);
    // Whether submit() would take another scan; while it is false, leave scans with
    // the terminal library.
    bool hasRoom() const;
    // Queues one scan and returns at once; false (nothing queued) when the service is
    // full or shut down.  `settings` are the ones in force for this scan: a changed
    // database path applies from the next scan on.
    bool submit(int32_t socket, const QString& code, const LookupSettings& settings);
    // The scans finished since the last call, in the order they finished.
    std::vector<FinishedLookup> takeFinished();
    // Stops taking scans, drops the queued ones (no answer, no report), lets the lookups
    // in progress end and joins the workers.  Also done on destruction.
    void shutdown();

private:
    struct Request {
        int32_t socket = 0;
        QString code;
        LookupSettings settings;
    };

    void run();
    // The oldest queued scan of a terminal that has none in progress; marks it busy.
    std::optional<Request> takeRequest();
    bool hasTakeable() const;

    const std::chrono::milliseconds m_idleRelease;
    const size_t m_capacity;
    const Callbacks m_callbacks;

    mutable std::mutex m_mutex;
    std::condition_variable m_workReady;
    std::deque<Request> m_queue;
    std::unordered_set<int32_t> m_busy;  // terminals with a lookup in progress
    std::vector<FinishedLookup> m_finished;
    size_t m_outstanding = 0;  // submitted and not yet taken back by takeFinished()
    LookupSettings m_warmSettings;
    int m_warmRound = 0;     // each worker warms up once per round
    int m_warmPending = 0;   // workers yet to try this round
    int m_warmAttached = 0;  // those of this round that attached
    std::condition_variable m_warmDone;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace tarifon
