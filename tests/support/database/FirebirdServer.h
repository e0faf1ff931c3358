#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tarifon {

// A private Firebird server for one test, never the system service: its own root
// folder (configuration, messages, plugins, character sets, a security database in
// which SYSDBA has the program's password) in a temporary folder, listening on
// 127.0.0.1 only, on a port found free at start.  Started by the constructor, killed
// by the destructor.  Throws std::runtime_error when it cannot start.
class FirebirdServer {
public:
    FirebirdServer();
    ~FirebirdServer();
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    int port() const { return m_port; }
    // How a client reaches `file` through this server: "localhost/PORT:file".
    QString databaseName(const QString& file) const;

    // Ends the server as a crash would: SIGKILL (it ignores SIGTERM while attachments
    // are open).
    void kill();
    // Starts it again on the same port.
    void start();
    // Freezes the server (SIGSTOP) and thaws it (SIGCONT): its connections stay open and
    // hear nothing, as after a network cut.
    void freeze(bool frozen);

private:
    enum class Launch { Listening, PortTaken, Failed };

    void prepareRoot();
    // Writes firebird.conf for the current port and points the process at the root.
    void configure();
    Launch launch();

    QTemporaryDir m_root;
    QProcess m_process;
    int m_port = 0;
};

}  // namespace tarifon
