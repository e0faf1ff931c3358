#pragma once

#include "terminal/TerminalLibrary.h"

namespace tarifon {

// The production binding: forwards every call to libtermlink.so, linked at load time.
class TermlinkLibrary final : public TerminalLibrary {
public:
    TERMLINK_FUNCTIONS(TARIFON_LIBRARY_OVERRIDE)
};

}  // namespace tarifon
