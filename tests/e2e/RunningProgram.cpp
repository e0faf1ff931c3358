#include "RunningProgram.h"

#include <csignal>
#include <thread>

#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include "ProgramFolder.h"

RunningProgram::RunningProgram(const ProgramFolder& folder, const QString& locale)
    : m_outputPath(folder.filePath(QStringLiteral("tarifon.out"))) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LANG"), locale);
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.remove(QStringLiteral("LC_NUMERIC"));
    // The library must read the termlink.ini beside the program, not one named here.
    environment.remove(QStringLiteral("TERMLINK_INI"));
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(folder.path());
    // A file, not a pipe: nobody drains a pipe while the test waits on sockets.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(m_outputPath);
    m_process.start(folder.filePath(QStringLiteral("tarifon")), {});
    m_process.waitForStarted(10000);
}

RunningProgram::~RunningProgram() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool RunningProgram::isRunning() {
    return m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(0);
}

bool RunningProgram::waitUntilListening(std::chrono::milliseconds limit) {
    static const QRegularExpression listening(
        QStringLiteral("^termlink: listening on 127\\.0\\.0\\.1:(\\d+)$"),
        QRegularExpression::MultilineOption);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const QRegularExpressionMatch match = listening.match(output());
        if (match.hasMatch()) {
            m_port = match.captured(1).toUShort();
            return true;
        }
        if (!isRunning()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

uint16_t RunningProgram::webPort() const {
    static const QRegularExpression listening(
        QStringLiteral("^termlink: web: listening on 127\\.0\\.0\\.1:(\\d+)$"),
        QRegularExpression::MultilineOption);
    // It follows the terminals' line; give it a moment.
    for (int wait = 0; wait < 250; ++wait) {
        const QRegularExpressionMatch match = listening.match(output());
        if (match.hasMatch())
            return match.captured(1).toUShort();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

QString RunningProgram::server() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

std::string RunningProgram::stop(int signal, std::chrono::milliseconds limit) {
    if (m_process.state() == QProcess::NotRunning) {
        return "not running";
    }
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
    if (!m_process.waitForFinished(static_cast<int>(limit.count()))) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return "still running";
    }
    if (m_process.exitStatus() == QProcess::CrashExit) {
        return "crashed";
    }
    return "exit " + std::to_string(m_process.exitCode());
}

QString RunningProgram::output() const {
    QFile file(m_outputPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
