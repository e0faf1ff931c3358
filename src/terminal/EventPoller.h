#pragma once

#include "terminal/PollerSink.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// The core of Timer2Timer: one tick drains one barcode, the five configuration
// replies and every pending response code.  Ticks may run nested (a modal box
// opened inside a tick keeps the timer firing), so all per-tick state lives on
// the stack of tick(); the poller itself holds only its two references.
class EventPoller {
public:
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
