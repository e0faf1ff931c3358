#pragma once

#include <string>

#include <ibase.h>

#include "pricing/DbResult.h"

namespace tarifon {

class FbConnection;

// A transaction on one connection.  Rolled back when destroyed unless committed,
// so that the connection can always be detached afterwards.
class FbTransaction {
public:
    // Read only, read committed (record versions), never waits for locks.
    static DbResult<FbTransaction> startReadOnly(const FbConnection& connection);
    // Read and write, snapshot; for building databases.
    static DbResult<FbTransaction> startReadWrite(const FbConnection& connection);

    FbTransaction(FbTransaction&& other) noexcept;
    FbTransaction& operator=(FbTransaction&&) = delete;
    FbTransaction(const FbTransaction&) = delete;
    FbTransaction& operator=(const FbTransaction&) = delete;
    ~FbTransaction();

    // Runs one statement without a result set (DDL, INSERT ...), text in WIN1252.
    DbResult<void> executeImmediate(const std::string& sql);

    DbResult<void> commit();
    DbResult<void> rollback();

    isc_tr_handle handle() const { return m_handle; }
    isc_db_handle database() const { return m_database; }

private:
    FbTransaction(isc_db_handle database, isc_tr_handle handle)
        : m_database(database), m_handle(handle) {}
    static DbResult<FbTransaction> start(const FbConnection& connection, const std::string& tpb);

    isc_db_handle m_database = 0;
    isc_tr_handle m_handle = 0;
};

}  // namespace tarifon
