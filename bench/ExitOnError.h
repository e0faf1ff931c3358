#pragma once

#include <string>
#include <utility>

#include "pricing/DbResult.h"

// The bench tools stop at the first database error: a half-built catalog or a
// half-measured floor is worth nothing.  `program` names the tool in messages.
namespace bench {

using tarifon::DbError;
using tarifon::DbResult;

void setProgramName(const char* program);
[[noreturn]] void die(const std::string& what, const DbError& error = {});

inline void check(const DbResult<void>& result, const std::string& what) {
    if (!result)
        die(what, result.error());
}

template <class T>
T take(DbResult<T> result, const std::string& what) {
    if (!result)
        die(what, result.error());
    return std::move(*result);
}

}  // namespace bench
