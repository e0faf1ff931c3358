#include "ProgramFolder.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

uint16_t freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

ProgramFolder::ProgramFolder(const QString& folderName)
    : m_path(m_root.filePath(folderName)), m_port(freeLoopbackPort()) {
    m_valid =
        m_root.isValid() && m_port != 0 && QDir().mkpath(m_path) &&
        copyExecutable(QStringLiteral(TARIFON_EXE), filePath(QStringLiteral("tarifon"))) &&
        copyExecutable(QStringLiteral(TERMLINK_LIBRARY),
                       filePath(QStringLiteral("libtermlink.so"))) &&
        writeFile(filePath(QStringLiteral("termlink.ini")),
                  QStringLiteral("[server]\naddress=127.0.0.1\nport=%1\n").arg(m_port).toUtf8());
}

QString ProgramFolder::filePath(const QString& name) const {
    return m_path + QLatin1Char('/') + name;
}

QString ProgramFolder::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
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
