#include "support/FirebirdServer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <firebird/Interface.h>

#include <QProcessEnvironment>
#include <QStandardPaths>

namespace tarifon {

namespace {

namespace fs = std::filesystem;
using Config = Firebird::IConfigManager;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error("private Firebird server: " + what);
}

// Where the installed Firebird keeps one kind of file, as the client library knows it.
fs::path installed(unsigned directory) {
    return Firebird::fb_get_master_interface()->getConfigManager()->getDirectory(directory);
}

bool portFree(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

// The inodes of the IPv4 sockets listening on `port`.
std::set<std::string> listeners(int port) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ":%04X", port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::set<std::string> inodes;
    while (std::getline(table, line)) {
        std::istringstream in(line);
        std::string slot, local, remote, state, skip, inode;
        in >> slot >> local >> remote >> state >> skip >> skip >> skip >> skip >> skip >> inode;
        if (state == "0A" && local.ends_with(suffix))
            inodes.insert(inode);
    }
    return inodes;
}

bool holdsSocket(qint64 pid, const std::set<std::string>& inodes) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string target = fs::read_symlink(fd.path(), error).string();
        if (target.starts_with("socket:[") && inodes.contains(target.substr(8, target.size() - 9)))
            return true;
    }
    return false;
}

}  // namespace

FirebirdServer::FirebirdServer() {
    if (!m_root.isValid())
        fail("no temporary folder");
    prepareRoot();
    std::mt19937 random(std::random_device{}());
    // Below the kernel's range for outgoing ports, so no client connection holds it.
    std::uniform_int_distribution<int> ports(20000, 32000);
    for (int attempt = 0; attempt < 20; ++attempt) {
        m_port = ports(random);
        if (!portFree(m_port))
            continue;
        const Launch launched = launch();
        if (launched == Launch::Listening)
            return;
        kill();
        if (launched == Launch::Failed)
            fail("did not start: " + m_process.readAll().toStdString());
    }
    fail("no free port found");
}

FirebirdServer::~FirebirdServer() {
    kill();
}

QString FirebirdServer::databaseName(const QString& file) const {
    return QStringLiteral("localhost/%1:%2").arg(m_port).arg(file);
}

void FirebirdServer::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
}

void FirebirdServer::start() {
    if (launch() != Launch::Listening) {
        kill();
        fail("did not start again: " + m_process.readAll().toStdString());
    }
}

void FirebirdServer::freeze(bool frozen) {
    ::kill(static_cast<pid_t>(m_process.processId()), frozen ? SIGSTOP : SIGCONT);
}

// The root folder the server reads through the FIREBIRD variable.  The character sets
// must be a real folder: through a symbolic link the server does not find them.
void FirebirdServer::prepareRoot() {
    const fs::path root = m_root.path().toStdString();
    fs::create_symlink(installed(Config::DIR_PLUGINS), root / "plugins");
    fs::copy_file(installed(Config::DIR_MSG) / "firebird.msg", root / "firebird.msg");
    fs::create_directory(root / "intl");
    for (const char* file : {"libfbintl.so", "fbintl.conf"})
        fs::copy_file(installed(Config::DIR_INTL) / file, root / "intl" / file);

    // A fresh database as the security database; the embedded engine, run with this
    // root, gives SYSDBA the program's password before the server reads it.
    std::ofstream(root / "setup.sql")
        << "CREATE DATABASE '" << (root / "security.fdb").string() << "';\n"
        << "CREATE OR ALTER USER SYSDBA PASSWORD 'quartzfig' USING PLUGIN Srp;\nCOMMIT;\n";
    configure();
    QProcess isql;
    isql.setProcessEnvironment(m_process.processEnvironment());
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStandardPaths::findExecutable(QStringLiteral("isql-fb")),
               {QStringLiteral("-b"), QStringLiteral("-q"), QStringLiteral("-i"),
                QString::fromStdString((root / "setup.sql").string())});
    if (!isql.waitForFinished(60000) || isql.exitStatus() != QProcess::NormalExit ||
        isql.exitCode() != 0)
        fail("security database not made: " + isql.readAll().toStdString());
}

void FirebirdServer::configure() {
    const fs::path root = m_root.path().toStdString();
    std::ofstream(root / "firebird.conf")
        << "RemoteServicePort = " << m_port << "\nRemoteBindAddress = 127.0.0.1\n"
        << "SecurityDatabase = " << (root / "security.fdb").string() << "\nUdfAccess = None\n";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FIREBIRD"), m_root.path());
    m_process.setProcessEnvironment(environment);
}

FirebirdServer::Launch FirebirdServer::launch() {
    configure();
    m_process.setWorkingDirectory(m_root.path());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QString::fromStdString((installed(Config::DIR_SBIN) / "firebird").string()),
                    {});
    if (!m_process.waitForStarted(10000))
        return Launch::Failed;
    // The server keeps retrying a port in use instead of ending, so look at who listens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (m_process.waitForFinished(50))
            return Launch::Failed;
        const std::set<std::string> inodes = listeners(m_port);
        if (!inodes.empty())
            return holdsSocket(m_process.processId(), inodes) ? Launch::Listening
                                                              : Launch::PortTaken;
    }
    return Launch::Failed;
}

}  // namespace tarifon
