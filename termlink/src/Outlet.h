#pragma once

#include <atomic>
#include <cstddef>

#include "termlink/Limits.h"
#include "wire/Wire.h"

namespace termlink {

// Where frames for one terminal go.  send() may be called from any thread; it
// returns false when the frame is refused (connection gone or its queue full).
class Outlet {
public:
    virtual ~Outlet() = default;
    virtual bool send(wire::Bytes frame) = 0;
    // The program could not answer the scan numbered `seq`.  Our wire protocol has no way
    // to say so (its terminals give up on a scan after a while); web terminals do.
    virtual bool lookupFailed(uint32_t /*seq*/) { return false; }
};

// Takes `bytes` of a connection's allowance of queued bytes (any thread); false, taking
// nothing, when that would pass kMaxOutboundBytesPerConnection.
inline bool reserveOutbound(std::atomic<size_t>& queued, size_t bytes) {
    size_t now = queued.load();
    do {
        if (now + bytes > kMaxOutboundBytesPerConnection)
            return false;
    } while (!queued.compare_exchange_weak(now, now + bytes));
    return true;
}

}  // namespace termlink
