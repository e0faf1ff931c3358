#pragma once

#include <ibase.h>

#include <QString>

#include "pricing/DbResult.h"

namespace tarifon {

// One attachment to a Firebird database through libfbclient: user "SYSDBA",
// character set WIN1252.  A plain file path opens the database with the embedded
// engine, "host:/path" goes to a server.  Detaches when destroyed.
class FbConnection {
public:
    static DbResult<FbConnection> attach(const QString& database);

    FbConnection(FbConnection&& other) noexcept;
    FbConnection& operator=(FbConnection&&) = delete;
    FbConnection(const FbConnection&) = delete;
    FbConnection& operator=(const FbConnection&) = delete;
    ~FbConnection();

    // Detaches now and says whether the client agreed; afterwards the object is empty.
    DbResult<void> detach();

    isc_db_handle handle() const { return m_handle; }

private:
    explicit FbConnection(isc_db_handle handle) : m_handle(handle) {}

    isc_db_handle m_handle = 0;
};

}  // namespace tarifon
