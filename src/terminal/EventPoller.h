#pragma once

#include "terminal/PollerSink.h"
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

    EventPoller(TerminalLibrary& library, PollerSink& sink);

    void tick();

private:
    bool pollBarcode();
    void pollReplies();
    void pollResponses();

    TerminalLibrary& m_library;
    PollerSink& m_sink;
};

}  // namespace tarifon
