#pragma once

#include <optional>

#include <QString>

#include "pricing/FbConnection.h"
#include "pricing/LookupPrice.h"

namespace tarifon {

// An attachment kept from one lookup to the next, for one thread.  It follows the
// database path of each lookup (another path detaches first) and is replaced when a
// lookup on it fails: a kept attachment may have broken since it was last used, so
// that lookup is tried once more on a fresh one before it counts as failed.
class KeptConnection {
public:
    // Looks the code up; digit-only codes only through the index.
    PriceReply lookup(const QString& code, const LookupSettings& settings);
    // Attaches and prepares ahead of the first scan; true when attached.
    bool warmUp(const LookupSettings& settings);
    // Detaches, if attached.
    void release();
    bool attached() const { return m_connection.has_value(); }

private:
    DbResult<std::optional<ProductRow>> find(const QString& code, const LookupSettings& settings);

    std::optional<FbConnection> m_connection;
    ProductStatements m_statements;  // of m_connection
    QString m_database;
};

}  // namespace tarifon
