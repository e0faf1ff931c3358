#pragma once

#include <cstdint>
#include <string>

#include <QString>
#include <QTemporaryDir>

namespace tarifon {

// A point-of-sale database for one test, created with the client API in a
// temporary folder that disappears with the object.  SQL is written in UTF-8 and
// reaches the engine in WIN1252, like the program's own statements.
class TestDatabase {
public:
    // An empty database (no tables) named `name` in a new temporary folder.
    explicit TestDatabase(const QString& name = QStringLiteral("pdv.fdb"));

    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    // The two tables with the given column types.
    void createTables(const std::string& priceType = "NUMERIC(18,3)",
                      const std::string& descriptionType = "VARCHAR(200) NOT NULL",
                      bool codeIsKey = true);
    void addItem(int item, const std::string& description, const std::string& price);
    void addCode(const std::string& code, int item);
    // Runs one statement and commits it.
    void execute(const std::string& sql);

    // The first column of the first row of a query.
    int64_t queryNumber(const std::string& sql) const;
    int64_t count(const std::string& table) const;
    // Attachments to this database other than the one asking (user attachments only).
    int64_t otherAttachments() const;

    static void create(const QString& path);

private:
    QTemporaryDir m_dir;
    QString m_path;
};

}  // namespace tarifon
