#include "support/TestDatabase.h"

#include <stdexcept>

#include <ibase.h>

#include "platform/Cp1252.h"
#include "pricing/FbConnection.h"
#include "pricing/FbStatement.h"
#include "pricing/FbStatus.h"
#include "pricing/FbTransaction.h"

namespace tarifon {

namespace {

[[noreturn]] void fail(const QString& what, const DbError& error) {
    throw std::runtime_error(QString(what + QStringLiteral(": ") + error.message).toStdString());
}

std::string win1252(const std::string& utf8) {
    return cp1252::encode(QString::fromStdString(utf8));
}

}  // namespace

TestDatabase::TestDatabase(const QString& name) : m_path(m_dir.filePath(name)) {
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    create(m_path);
}

void TestDatabase::create(const QString& path) {
    const std::string sql = "CREATE DATABASE '" + path.toStdString() +
                            "' USER 'SYSDBA' PASSWORD 'quartzfig' DEFAULT CHARACTER SET WIN1252";
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_dsql_execute_immediate(status, &db, &tr, 0, sql.c_str(), SQL_DIALECT_V6, nullptr);
    if (fbFailed(status))
        fail(QStringLiteral("create ") + path, fbError(status));
    isc_detach_database(status, &db);
    if (fbFailed(status))
        fail(QStringLiteral("detach ") + path, fbError(status));
}

void TestDatabase::createTables(const std::string& priceType, const std::string& descriptionType,
                                bool codeIsKey) {
    execute(
        "CREATE TABLE PDV_ITENSRESUMIDO (ITR_CODIGO INTEGER NOT NULL PRIMARY KEY, "
        "ITR_DESCRICAO " +
        descriptionType + ", ITR_VLR_VENDA " + priceType + ")");
    execute(std::string("CREATE TABLE PDV_CODIGOBARRAS (COB_CODIGO_EAN VARCHAR(25) NOT NULL") +
            (codeIsKey ? " PRIMARY KEY" : "") + ", COB_CODIGO_ITEM INTEGER NOT NULL)");
}

void TestDatabase::addItem(int item, const std::string& description, const std::string& price) {
    execute("INSERT INTO PDV_ITENSRESUMIDO VALUES (" + std::to_string(item) + ", " + description +
            ", " + price + ")");
}

void TestDatabase::addCode(const std::string& code, int item) {
    std::string quoted;
    for (char c : code)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    execute("INSERT INTO PDV_CODIGOBARRAS VALUES ('" + quoted + "', " + std::to_string(item) + ")");
}

void TestDatabase::execute(const std::string& sql) {
    auto connection = FbConnection::attach(m_path);
    if (!connection)
        fail(QStringLiteral("attach"), connection.error());
    auto transaction = FbTransaction::startReadWrite(*connection);
    if (!transaction)
        fail(QStringLiteral("start"), transaction.error());
    if (auto done = transaction->executeImmediate(win1252(sql)); !done)
        fail(QString::fromStdString(sql), done.error());
    if (auto committed = transaction->commit(); !committed)
        fail(QStringLiteral("commit"), committed.error());
}

int64_t TestDatabase::queryNumber(const std::string& sql) const {
    auto connection = FbConnection::attach(m_path);
    if (!connection)
        fail(QStringLiteral("attach"), connection.error());
    auto transaction = FbTransaction::startReadOnly(*connection);
    if (!transaction)
        fail(QStringLiteral("start"), transaction.error());
    auto statement = FbStatement::prepare(*transaction, sql);
    if (!statement)
        fail(QString::fromStdString(sql), statement.error());
    if (auto executed = statement->execute(); !executed)
        fail(QString::fromStdString(sql), executed.error());
    auto row = statement->fetch();
    if (!row || !*row)
        throw std::runtime_error("no row: " + sql);
    return statement->integer(0);
}

int64_t TestDatabase::count(const std::string& table) const {
    return queryNumber("SELECT COUNT(*) FROM " + table);
}

int64_t TestDatabase::otherAttachments() const {
    return queryNumber(
        "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
        "AND MON$SYSTEM_FLAG = 0");
}

}  // namespace tarifon
