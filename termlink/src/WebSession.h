#pragma once

#include <optional>

#include "wire/Wire.h"

// What the web listener keeps of each of its connections, whatever it has become (an
// HTTP exchange or a kiosk page's WebSocket).  Network thread only.
namespace termlink {

class WebSession {
public:
    virtual ~WebSession() = default;
    // Whether it takes one of the kMaxWebConnections places (a refused one does not).
    virtual bool holdsPlace() const = 0;
    // Server shutdown: close now, without waiting for the peer.
    virtual void closeNow() = 0;
};

// The message in a frame the library has encoded for a terminal; web terminals turn it
// into what they speak.
std::optional<wire::Message> decodeSent(const wire::Bytes& frame);

}  // namespace termlink
