#pragma once

#include <ibase.h>

#include "pricing/DbResult.h"

namespace tarifon {

// Turns a failed call's status vector into the client's own wording: one line per
// message that fb_interpret yields, joined by line feeds, plus the SQLSTATE.
DbError fbError(const ISC_STATUS* status);

// The status vector of the last call holds an error.
inline bool fbFailed(const ISC_STATUS* status) {
    return status[0] == 1 && status[1] != 0;
}

}  // namespace tarifon
