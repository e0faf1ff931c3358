#include "pricing/FbStatement.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "platform/Cp1252.h"
#include "pricing/FbStatus.h"
#include "pricing/FbTransaction.h"

namespace tarifon {

namespace {

// The character set every connection uses; parameters carry it so that the
// engine transliterates them correctly into columns of other character sets.
constexpr short kWin1252 = 53;

short baseType(const XSQLVAR& var) {
    return static_cast<short>(var.sqltype & ~1);
}

FbStatement::Column columnOf(const XSQLVAR& var) {
    const auto nameLength = static_cast<size_t>(std::clamp<int>(var.sqlname_length, 0, 31));
    return {cp1252::decodeField(var.sqlname, nameLength), baseType(var), var.sqlscale, var.sqllen};
}

DbError usageError(const QString& message) {
    return {message, {}};
}

// An XSQLDA with room for n variables, zeroed.
XSQLDA* allocateSqlda(short n) {
    const size_t size = XSQLDA_LENGTH(std::max<short>(n, 1));
    auto* sqlda = static_cast<XSQLDA*>(::operator new(size));
    std::memset(sqlda, 0, size);
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = std::max<short>(n, 1);
    return sqlda;
}

using Describe = ISC_STATUS (*)(ISC_STATUS*, isc_stmt_handle*, unsigned short, XSQLDA*);

// Fills `sqlda` with the result columns or the parameters, grown to hold them all.
template <class Sqlda>
bool describeAll(ISC_STATUS* status, isc_stmt_handle* handle, Sqlda& sqlda, Describe describe) {
    for (short room = 4;;) {
        sqlda.reset(allocateSqlda(room));
        describe(status, handle, SQLDA_VERSION1, sqlda.get());
        if (fbFailed(status))
            return false;
        if (sqlda->sqld <= sqlda->sqln)
            return true;
        room = sqlda->sqld;
    }
}

}  // namespace

void FbStatement::SqldaDeleter::operator()(XSQLDA* sqlda) const {
    ::operator delete(sqlda);
}

DbResult<FbStatement> FbStatement::prepare(const FbTransaction& transaction,
                                           const std::string& sql) {
    if (sql.empty() || sql.size() > USHRT_MAX)
        return usageError(QStringLiteral("bad statement length"));

    FbStatement statement;
    statement.m_database = transaction.database();
    statement.m_transaction = transaction.handle();

    ISC_STATUS_ARRAY status{};
    isc_dsql_allocate_statement(status, &statement.m_database, &statement.m_handle);
    if (fbFailed(status))
        return fbError(status);

    isc_dsql_prepare(status, &statement.m_transaction, &statement.m_handle,
                     static_cast<unsigned short>(sql.size()), sql.data(), SQL_DIALECT_V6, nullptr);
    if (fbFailed(status))
        return fbError(status);
    if (!describeAll(status, &statement.m_handle, statement.m_out, isc_dsql_describe) ||
        !describeAll(status, &statement.m_handle, statement.m_in, isc_dsql_describe_bind))
        return fbError(status);

    const auto columnCount = static_cast<size_t>(statement.m_out->sqld);
    statement.m_nulls.assign(columnCount, 0);
    statement.m_buffers.resize(columnCount);
    for (size_t i = 0; i < columnCount; ++i) {
        XSQLVAR& var = statement.m_out->sqlvar[i];
        statement.m_columns.push_back(columnOf(var));
        // Room for the length word of VARCHAR data, rounded up to whole int64s.
        const size_t bytes = static_cast<size_t>(std::max<short>(var.sqllen, 0)) + 2;
        statement.m_buffers[i].assign((bytes + 7) / 8, 0);
        var.sqldata = reinterpret_cast<ISC_SCHAR*>(statement.m_buffers[i].data());
        var.sqlind = &statement.m_nulls[i];
    }
    for (short i = 0; i < statement.m_in->sqld; ++i)
        statement.m_parameters.push_back(columnOf(statement.m_in->sqlvar[i]));

    return statement;
}

FbStatement::FbStatement(FbStatement&& other) noexcept
    : m_database(other.m_database),
      m_transaction(other.m_transaction),
      m_handle(std::exchange(other.m_handle, 0)),
      m_cursorOpen(std::exchange(other.m_cursorOpen, false)),
      m_out(std::move(other.m_out)),
      m_in(std::move(other.m_in)),
      m_columns(std::move(other.m_columns)),
      m_parameters(std::move(other.m_parameters)),
      m_buffers(std::move(other.m_buffers)),
      m_nulls(std::move(other.m_nulls)) {}

FbStatement::~FbStatement() {
    release();
}

void FbStatement::release() {
    if (m_handle == 0)
        return;
    ISC_STATUS_ARRAY status{};
    isc_dsql_free_statement(status, &m_handle, DSQL_drop);
    m_handle = 0;
    m_cursorOpen = false;
}

void FbStatement::setTransaction(const FbTransaction& transaction) {
    closeCursor();
    m_transaction = transaction.handle();
}

void FbStatement::closeCursor() {
    if (!m_cursorOpen)
        return;
    ISC_STATUS_ARRAY status{};
    isc_dsql_free_statement(status, &m_handle, DSQL_close);
    m_cursorOpen = false;
}

DbResult<void> FbStatement::execute(const std::vector<std::string>& textParameters) {
    if (m_handle == 0)
        return usageError(QStringLiteral("statement is not prepared"));
    if (textParameters.size() != m_parameters.size())
        return usageError(QStringLiteral("statement takes %1 parameters, %2 given")
                              .arg(m_parameters.size())
                              .arg(textParameters.size()));
    closeCursor();

    for (size_t i = 0; i < textParameters.size(); ++i) {
        const std::string& value = textParameters[i];
        if (value.size() > SHRT_MAX)
            return usageError(QStringLiteral("parameter too long"));
        XSQLVAR& var = m_in->sqlvar[i];
        var.sqltype = SQL_TEXT;
        var.sqlsubtype = kWin1252;
        var.sqlscale = 0;
        var.sqllen = static_cast<short>(value.size());
        // The client only reads input data.
        var.sqldata = const_cast<char*>(value.data());
        var.sqlind = nullptr;
    }

    ISC_STATUS_ARRAY status{};
    isc_dsql_execute(status, &m_transaction, &m_handle, SQLDA_VERSION1,
                     textParameters.empty() ? nullptr : m_in.get());
    if (fbFailed(status))
        return fbError(status);
    m_cursorOpen = !m_columns.empty();
    return {};
}

DbResult<bool> FbStatement::fetch() {
    if (!m_cursorOpen)
        return usageError(QStringLiteral("no open cursor"));
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS result = isc_dsql_fetch(status, &m_handle, SQLDA_VERSION1, m_out.get());
    if (result == 100)
        return false;
    if (fbFailed(status) || result != 0)
        return fbError(status);
    return true;
}

const XSQLVAR& FbStatement::var(size_t column) const {
    static_cast<void>(m_columns.at(column));
    return m_out->sqlvar[column];
}

bool FbStatement::isNull(size_t column) const {
    const XSQLVAR& v = var(column);
    return (v.sqltype & 1) != 0 && *v.sqlind < 0;
}

std::string FbStatement::text(size_t column) const {
    const XSQLVAR& v = var(column);
    const auto capacity = static_cast<size_t>(std::max<short>(v.sqllen, 0));
    switch (baseType(v)) {
        case SQL_VARYING: {
            unsigned short length = 0;
            std::memcpy(&length, v.sqldata, sizeof length);
            return std::string(v.sqldata + 2, std::min<size_t>(length, capacity));
        }
        case SQL_TEXT:
            return std::string(v.sqldata, capacity);
        default:
            return {};
    }
}

int64_t FbStatement::integer(size_t column) const {
    const XSQLVAR& v = var(column);
    switch (baseType(v)) {
        case SQL_SHORT: {
            int16_t value = 0;
            std::memcpy(&value, v.sqldata, sizeof value);
            return value;
        }
        case SQL_LONG: {
            int32_t value = 0;
            std::memcpy(&value, v.sqldata, sizeof value);
            return value;
        }
        case SQL_INT64: {
            int64_t value = 0;
            std::memcpy(&value, v.sqldata, sizeof value);
            return value;
        }
        default:
            return 0;
    }
}

double FbStatement::floating(size_t column) const {
    const XSQLVAR& v = var(column);
    switch (baseType(v)) {
        case SQL_FLOAT: {
            float value = 0;
            std::memcpy(&value, v.sqldata, sizeof value);
            return value;
        }
        case SQL_DOUBLE:
        case SQL_D_FLOAT: {
            double value = 0;
            std::memcpy(&value, v.sqldata, sizeof value);
            return value;
        }
        default:
            return 0;
    }
}

}  // namespace tarifon
