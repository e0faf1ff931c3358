#pragma once

#include <QString>

#include "base/Result.h"

namespace tarifon {

// What the database client said when something failed: its own message text,
// and the SQLSTATE so that callers can recognise particular errors.
struct DbError {
    QString message;
    QString sqlState;
};

// Either a value or the error that prevented it.  The database layer returns
// these instead of throwing; a DbError is returned as is.
template <class T>
using DbResult = Result<T, DbError>;

}  // namespace tarifon
