#include "main/TermlinkLibrary.h"

#include <termlink.h>

namespace tarifon {

#define TARIFON_FORWARD(ret, name, params, args, bytes) \
    ret TermlinkLibrary::name params {                  \
        return ::name args;                             \
    }
TERMLINK_FUNCTIONS(TARIFON_FORWARD)
#undef TARIFON_FORWARD

}  // namespace tarifon
