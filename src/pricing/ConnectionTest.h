#pragma once

#include <QString>

#include "pricing/DbResult.h"
#include "pricing/FbConnection.h"

namespace tarifon {

// The operator's connection test: attaches to the database and detaches again.
// A failure carries the client's own message, worded as the client words it.
DbResult<void> testDatabaseConnection(const QString& databasePath,
                                      std::chrono::seconds connectTimeout = kDefaultConnectTimeout);

}  // namespace tarifon
