#pragma once

#include <chrono>

#include <ibase.h>

#include <QString>

#include "pricing/DbResult.h"

namespace tarifon {

// How long an attach may wait for a database server before it fails: an unreachable
// server must not hold the caller for the client's own default of minutes.
inline constexpr std::chrono::seconds kDefaultConnectTimeout{5};

// One attachment to a Firebird database through libfbclient: user "SYSDBA",
// character set WIN1252.  A plain file path opens the database with the embedded
// engine; "host:/path", "host/port:/path" and "inet://host:port/path" go to a server.
// Detaches when destroyed.
class FbConnection {
public:
    // `connectTimeout` bounds reaching a server (the connection and the engine's first
    // answer), and is the time the server may take to answer a lookup (FbDeadline).
    static DbResult<FbConnection> attach(
        const QString& database, std::chrono::seconds connectTimeout = kDefaultConnectTimeout);

    FbConnection(FbConnection&& other) noexcept;
    FbConnection& operator=(FbConnection&&) = delete;
    FbConnection(const FbConnection&) = delete;
    FbConnection& operator=(const FbConnection&) = delete;
    ~FbConnection();

    // Detaches now and says whether the client agreed; afterwards the object is empty.
    DbResult<void> detach();

    isc_db_handle handle() const { return m_handle; }
    std::chrono::seconds answerTimeout() const { return m_answerTimeout; }

private:
    FbConnection(isc_db_handle handle, std::chrono::seconds answerTimeout)
        : m_handle(handle), m_answerTimeout(answerTimeout) {}

    isc_db_handle m_handle = 0;
    std::chrono::seconds m_answerTimeout;
};

}  // namespace tarifon
