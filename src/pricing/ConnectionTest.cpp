#include "ConnectionTest.h"

#include "pricing/FbConnection.h"

DbResult<void> testDatabaseConnection(const QString& databasePath) {
    auto connection = FbConnection::attach(databasePath);
    if (!connection)
        return connection.error();
    return connection->detach();
}
