#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <ibase.h>

#include <QString>

#include "pricing/DbResult.h"

namespace tarifon {

class FbTransaction;

// One prepared DSQL statement with its described result columns and parameters.
// Parameters are bound as text (WIN1252 bytes); result values are read in their
// native representation so that nothing is lost on the way (scaled integers stay
// integers).  Freed when destroyed; destroy it before its transaction and connection.
class FbStatement {
public:
    struct Column {
        QString name;    // the column's own name (not an alias)
        short type = 0;  // SQL_TEXT, SQL_INT64, ... without the nullable bit
        short scale = 0;
        short length = 0;  // bytes of data
    };

    static DbResult<FbStatement> prepare(const FbTransaction& transaction, const std::string& sql);

    FbStatement(FbStatement&& other) noexcept;
    FbStatement& operator=(FbStatement&&) = delete;
    FbStatement(const FbStatement&) = delete;
    FbStatement& operator=(const FbStatement&) = delete;
    ~FbStatement();

    const std::vector<Column>& columns() const { return m_columns; }
    const std::vector<Column>& parameters() const { return m_parameters; }

    // Runs the statement with one text value per parameter; an open cursor is
    // closed first, so a statement can be run again with other values.
    DbResult<void> execute(const std::vector<std::string>& textParameters = {});
    // Moves to the next row; false at the end.
    DbResult<bool> fetch();
    // Runs the next executions in another transaction of the same connection: a
    // statement prepared once serves the transactions that follow.
    void setTransaction(const FbTransaction& transaction);
    // Closes the open cursor, if any; due before its transaction ends.
    void closeCursor();

    // Values of the current row.
    bool isNull(size_t column) const;
    std::string text(size_t column) const;  // SQL_TEXT, SQL_VARYING: the raw bytes
    int64_t integer(size_t column) const;   // SQL_SHORT, SQL_LONG, SQL_INT64: unscaled
    double floating(size_t column) const;   // SQL_FLOAT, SQL_DOUBLE

private:
    struct SqldaDeleter {
        void operator()(XSQLDA* sqlda) const;
    };
    using Sqlda = std::unique_ptr<XSQLDA, SqldaDeleter>;

    FbStatement() = default;
    void release();
    const XSQLVAR& var(size_t column) const;

    isc_db_handle m_database = 0;
    isc_tr_handle m_transaction = 0;
    isc_stmt_handle m_handle = 0;
    bool m_cursorOpen = false;
    Sqlda m_out;
    Sqlda m_in;
    std::vector<Column> m_columns;
    std::vector<Column> m_parameters;
    std::vector<std::vector<int64_t>> m_buffers;  // one per result column, 8-byte aligned
    std::vector<short> m_nulls;
};

}  // namespace tarifon
