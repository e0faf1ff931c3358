#include "pricing/ConnectionTest.h"

#include "pricing/FbConnection.h"

namespace tarifon {

DbResult<void> testDatabaseConnection(const QString& databasePath,
                                      std::chrono::seconds connectTimeout) {
    auto connection = FbConnection::attach(databasePath, connectTimeout);
    if (!connection)
        return connection.error();
    return connection->detach();
}

}  // namespace tarifon
