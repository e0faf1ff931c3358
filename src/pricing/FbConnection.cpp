#include "pricing/FbConnection.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>

#include "pricing/FbDeadline.h"
#include "pricing/FbStatus.h"

namespace tarifon {

namespace {

constexpr char kUser[] = "SYSDBA";
constexpr char kPassword[] = "quartzfig";
constexpr char kCharacterSet[] = "WIN1252";

void appendItem(std::string& dpb, char item, const std::string& value) {
    dpb.push_back(item);
    dpb.push_back(static_cast<char>(value.size()));
    dpb.append(value);
}

void appendNumber(std::string& dpb, char item, uint32_t value) {
    dpb.push_back(item);
    dpb.push_back(4);
    for (int shift = 0; shift < 32; shift += 8)  // little-endian, as the client reads it
        dpb.push_back(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

DbResult<FbConnection> FbConnection::attach(const QString& database,
                                            std::chrono::seconds connectTimeout) {
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    appendItem(dpb, isc_dpb_user_name, kUser);
    appendItem(dpb, isc_dpb_password, kPassword);
    appendItem(dpb, isc_dpb_lc_ctype, kCharacterSet);
    // Paths are handed over in UTF-8, whatever the connection's character set.
    appendItem(dpb, isc_dpb_utf8_filename, {});
    // Zero would mean the client's default, so the shortest wait is one second.
    appendNumber(dpb, isc_dpb_connect_timeout,
                 static_cast<uint32_t>(std::clamp<int64_t>(connectTimeout.count(), 1, 3600)));

    const QByteArray name = database.toUtf8();
    if (name.size() > SHRT_MAX)
        return DbError{QStringLiteral("database name too long"), {}};

    ISC_STATUS_ARRAY status{};
    isc_db_handle handle = 0;
    isc_attach_database(status, static_cast<short>(name.size()), name.constData(), &handle,
                        static_cast<short>(dpb.size()), dpb.data());
    if (fbFailed(status))
        return fbError(status);
    return FbConnection(handle, connectTimeout);
}

FbConnection::FbConnection(FbConnection&& other) noexcept
    : m_handle(std::exchange(other.m_handle, 0)), m_answerTimeout(other.m_answerTimeout) {}

FbConnection::~FbConnection() {
    // Nobody is left to tell; the handle is released either way.
    (void)detach();
}

DbResult<void> FbConnection::detach() {
    if (m_handle == 0)
        return {};
    ISC_STATUS_ARRAY status{};
    {
        const FbDeadline deadline(*this);
        isc_detach_database(status, &m_handle);
    }
    if (fbFailed(status)) {
        // Transactions and statements are closed before this, so a failure means the
        // attachment is gone already (e.g. the server went away): nothing to retry.
        m_handle = 0;
        return fbError(status);
    }
    m_handle = 0;
    return {};
}

}  // namespace tarifon
