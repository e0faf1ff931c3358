#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

bool copyExecutable(const QString& from, const QString& to) {
    return QFile::copy(from, to) &&
           QFile::setPermissions(to, QFile::permissions(from) | QFile::ExeOwner);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace

ProgramFolder::ProgramFolder(const QString& folderName) : m_path(m_root.filePath(folderName)) {
    m_valid = m_root.isValid() && QDir().mkpath(m_path) &&
              copyExecutable(QStringLiteral(TARIFON_EXE), filePath(QStringLiteral("tarifon"))) &&
              copyExecutable(QStringLiteral(TERMLINK_LIBRARY),
                             filePath(QStringLiteral("libtermlink.so"))) &&
              // A failed lookup must reach a web request through the program, not through
              // the web side's own time-out, which outlasts every read of the tests.
              writeFile(filePath(QStringLiteral("termlink.ini")),
                        QByteArrayLiteral("[server]\naddress=127.0.0.1\nport=0\n"
                                          "[web]\naddress=127.0.0.1\nport=0\n"
                                          "answer_timeout=60\n"));
}

QString ProgramFolder::filePath(const QString& name) const {
    return m_path + QLatin1Char('/') + name;
}

bool ProgramFolder::addDemoDatabase(const QString& moreSettings) const {
    if (!makeDemoDatabase(demoDatabasePath())) {
        return false;
    }
    writeSettings(QStringLiteral("[CAMINHO]\nbd=") + demoDatabasePath() + QLatin1Char('\n') +
                  moreSettings);
    return true;
}

void ProgramFolder::writeSettings(const QString& text) const {
    writeFile(filePath(QStringLiteral("de501.ini")), text.toUtf8());
}

QString ProgramFolder::settingsText() const {
    QFile file(filePath(QStringLiteral("de501.ini")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

bool ProgramFolder::hasSettings() const {
    return QFile::exists(filePath(QStringLiteral("de501.ini")));
}

bool ProgramFolder::makeDemoDatabase(const QString& path) {
    QProcess process;
    process.start(QStringLiteral(TARIFON_SOURCE_DIR "/scripts/make-demo-db"), {path});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

int64_t ProgramFolder::countRows(const QString& databasePath, const QString& table) {
    QProcess process;
    process.start(QStringLiteral("isql-fb"),
                  {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                   QStringLiteral("-password"), QStringLiteral("quartzfig"), databasePath});
    process.write(QStringLiteral("SELECT COUNT(*) FROM %1;\n").arg(table).toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    // The count is the only line made of digits alone.
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+)\\s*$"),
                                           QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match =
        number.match(QString::fromUtf8(process.readAllStandardOutput()));
    return process.exitCode() == 0 && match.hasMatch() ? match.captured(1).toLongLong() : -1;
}
