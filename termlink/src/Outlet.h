#pragma once

#include "wire/Wire.h"

namespace termlink {

// Where frames for one terminal go.  send() may be called from any thread; it
// returns false when the frame is refused (connection gone or its queue full).
class Outlet {
public:
    virtual ~Outlet() = default;
    virtual bool send(wire::Bytes frame) = 0;
};

}  // namespace termlink
