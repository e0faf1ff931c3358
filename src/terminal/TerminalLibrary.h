#pragma once

#include <cstdint>

#include <termlink.h>

namespace tarifon {

// The terminal library as the program sees it: one method per library function,
// same names, argument order and widths, made from the library's own list
// (termlink_functions.h).  Production binds it to libtermlink.so (TermlinkLibrary);
// tests substitute a scripted fake.  Implementations must be safe to call from
// several threads at once (picture workers call iTypeTerm and bSendImageFromFile
// while the window polls).
class TerminalLibrary {
public:
    virtual ~TerminalLibrary() = default;

#define TARIFON_LIBRARY_METHOD(ret, name, params, args, bytes) virtual ret name params = 0;
    TERMLINK_FUNCTIONS(TARIFON_LIBRARY_METHOD)
#undef TARIFON_LIBRARY_METHOD
};

}  // namespace tarifon

// Declares every library function as an override, for the implementations:
// `TERMLINK_FUNCTIONS(TARIFON_LIBRARY_OVERRIDE)` in the class body.
#define TARIFON_LIBRARY_OVERRIDE(ret, name, params, args, bytes) ret name params override;
