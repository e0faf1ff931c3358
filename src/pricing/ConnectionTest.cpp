#include "pricing/ConnectionTest.h"

#include "pricing/FbConnection.h"

namespace tarifon {

DbResult<void> testDatabaseConnection(const QString& databasePath) {
    auto connection = FbConnection::attach(databasePath);
    if (!connection)
        return connection.error();
    return connection->detach();
}

}  // namespace tarifon
