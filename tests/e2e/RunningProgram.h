#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include <QProcess>
#include <QString>

class ProgramFolder;

// The real program started from a program folder, headless (Qt's offscreen
// platform), with the regional settings of `locale`. Killed on destruction if it
// is still running, so a failing test leaves no process behind.
class RunningProgram {
public:
    explicit RunningProgram(const ProgramFolder& folder,
                            const QString& locale = QStringLiteral("pt_BR.UTF-8"));
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // True once the terminal library says where it listens; false when the program
    // ended or the limit passed first.
    bool waitUntilListening(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The port the library got, once listening; and as termsim's --server argument.
    uint16_t port() const { return m_port; }
    QString server() const;
    // The port of the library's web side, once it says so (waiting up to 5 s); 0 if it does not.
    uint16_t webPort() const;
    bool isRunning();
    // Sends `signal` and waits for the end: "exit N", "crashed", or "still running"
    // when the limit passed (the program is then killed).
    std::string stop(int signal, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // What the program wrote to standard output and standard error.
    QString output() const;
    // The process id while it runs (its /proc entry tells memory and open files).
    qint64 pid() const { return m_process.processId(); }

private:
    QString m_outputPath;
    uint16_t m_port = 0;
    QProcess m_process;
};
