#include "pricing/FbTransaction.h"

#include <climits>
#include <utility>

#include "pricing/FbConnection.h"
#include "pricing/FbStatus.h"

namespace tarifon {

DbResult<FbTransaction> FbTransaction::startReadOnly(const FbConnection& connection) {
    static const std::string tpb{isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                 isc_tpb_rec_version, isc_tpb_nowait};
    return start(connection, tpb);
}

DbResult<FbTransaction> FbTransaction::startReadWrite(const FbConnection& connection) {
    static const std::string tpb{isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency,
                                 isc_tpb_wait};
    return start(connection, tpb);
}

DbResult<FbTransaction> FbTransaction::start(const FbConnection& connection,
                                             const std::string& tpb) {
    ISC_STATUS_ARRAY status{};
    isc_db_handle database = connection.handle();
    isc_tr_handle handle = 0;
    isc_start_transaction(status, &handle, 1, &database, static_cast<unsigned short>(tpb.size()),
                          tpb.data());
    if (fbFailed(status))
        return fbError(status);
    return FbTransaction(database, handle);
}

FbTransaction::FbTransaction(FbTransaction&& other) noexcept
    : m_database(other.m_database), m_handle(std::exchange(other.m_handle, 0)) {}

FbTransaction::~FbTransaction() {
    // Nobody is left to tell; a transaction that cannot roll back dies with its attachment.
    (void)rollback();
}

DbResult<void> FbTransaction::executeImmediate(const std::string& sql) {
    if (sql.size() > USHRT_MAX)
        return DbError{QStringLiteral("statement too long"), {}};
    ISC_STATUS_ARRAY status{};
    isc_dsql_execute_immediate(status, &m_database, &m_handle,
                               static_cast<unsigned short>(sql.size()), sql.data(), SQL_DIALECT_V6,
                               nullptr);
    if (fbFailed(status))
        return fbError(status);
    return {};
}

DbResult<void> FbTransaction::commit() {
    if (m_handle == 0)
        return {};
    ISC_STATUS_ARRAY status{};
    isc_commit_transaction(status, &m_handle);
    if (fbFailed(status))
        return fbError(status);
    return {};
}

DbResult<void> FbTransaction::rollback() {
    if (m_handle == 0)
        return {};
    ISC_STATUS_ARRAY status{};
    isc_rollback_transaction(status, &m_handle);
    if (fbFailed(status)) {
        // Nothing more can be done with it; the detach that follows reports the rest.
        m_handle = 0;
        return fbError(status);
    }
    return {};
}

}  // namespace tarifon
