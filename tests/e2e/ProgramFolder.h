#pragma once

#include <cstdint>

#include <QString>
#include <QTemporaryDir>

// A program folder for one test: copies of the executable and libtermlink.so in a
// fresh temporary folder (the program finds its files beside its resolved path),
// and a termlink.ini that makes the library listen on loopback, on any free port
// (RunningProgram reads which). The folder disappears with the object.
class ProgramFolder {
public:
    // `folderName` lets a test put the program under a name with non-ASCII letters.
    explicit ProgramFolder(const QString& folderName = QStringLiteral("tarifon"));

    bool isValid() const { return m_valid; }
    QString path() const { return m_path; }
    QString filePath(const QString& name) const;

    // The demo database of this folder ("demo.fdb"), and a de501.ini naming it
    // followed by `moreSettings`; false when the database could not be built.
    QString demoDatabasePath() const { return filePath(QStringLiteral("demo.fdb")); }
    bool addDemoDatabase(const QString& moreSettings = {}) const;

    // de501.ini, written as UTF-8 text exactly as given.
    void writeSettings(const QString& text) const;
    // de501.ini as the program left it; empty when there is none.
    QString settingsText() const;
    bool hasSettings() const;

    // Builds the demo database at `path` with scripts/make-demo-db; false on failure.
    static bool makeDemoDatabase(const QString& path);
    // COUNT(*) of a table through isql-fb; -1 when the query fails.
    static int64_t countRows(const QString& databasePath, const QString& table);

private:
    QTemporaryDir m_root;
    QString m_path;
    bool m_valid = false;
};
