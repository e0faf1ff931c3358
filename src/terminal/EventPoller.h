#pragma once

#include "terminal/PollerSink.h"
#include "terminal/ScanQueue.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// The core of Timer2Timer: one tick drains one barcode, the five configuration
// replies and the pending response codes, up to kMaxResponsesPerTick.  Ticks may
// run nested (a modal box opened inside a tick keeps the timer firing), so all
// per-tick state lives on the stack of tick(); the poller itself holds only its two
// references.
class EventPoller {
public:
    // Responses taken per tick: a terminal that floods them cannot hold the user-interface
    // thread; the rest wait for the next tick.
    static constexpr int kMaxResponsesPerTick = 64;
    // Barcode events taken per call of takeScans() in the high-volume mode, for the same
    // reason; the rest wait for the next tick or wake-up.
    static constexpr int kMaxScansPerTick = 256;

    EventPoller(TerminalLibrary& library, PollerSink& sink);

    void tick();

    // The high-volume mode: scans go to `queue` (null: back to one scan per tick, looked
    // up within the tick).
    void setScanQueue(ScanQueue* queue) { m_queue = queue; }
    // Hands waiting scans to the queue while it has room, up to kMaxScansPerTick barcode
    // events; returns how many it took.  Nothing without a queue.
    int takeScans();

private:
    enum class Received { Nothing, Unusable, Scan };
    // Takes one barcode event from the library.
    Received receiveScan(int32_t& socket, QString& code);
    bool pollBarcode();
    void pollReplies();
    void pollResponses();

    TerminalLibrary& m_library;
    PollerSink& m_sink;
    ScanQueue* m_queue = nullptr;
};

}  // namespace tarifon
