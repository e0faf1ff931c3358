#include "support/TermsimProcess.h"

#include <QJsonDocument>
#include <QTemporaryFile>

TermsimProcess::TermsimProcess(const QStringList& arguments) {
    m_process.start(QStringLiteral(TERMSIM_EXE), arguments);
    m_process.waitForStarted(10000);
}

TermsimProcess::~TermsimProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void TermsimProcess::writeLine(const QString& line) {
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    m_process.waitForBytesWritten(5000);
}

std::optional<std::string> TermsimProcess::takeLine() {
    const qsizetype end = m_pending.indexOf('\n');
    if (end < 0) {
        return std::nullopt;
    }
    std::string line = m_pending.left(end).toStdString();
    m_pending.remove(0, end + 1);
    m_lines.push_back(line);
    return line;
}

std::optional<std::string> TermsimProcess::waitForLine(const std::string& prefix,
                                                       std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        while (const auto line = takeLine()) {
            if (line->starts_with(prefix)) {
                return line;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !m_process.waitForReadyRead(static_cast<int>(left.count()))) {
            m_pending += m_process.readAllStandardOutput();
            if (m_pending.contains('\n')) {
                continue;
            }
            return std::nullopt;
        }
        m_pending += m_process.readAllStandardOutput();
    }
}

TermsimProcess::Result TermsimProcess::finish(std::chrono::milliseconds limit) {
    m_process.closeWriteChannel();
    Result result;
    if (m_process.waitForFinished(static_cast<int>(limit.count())) &&
        m_process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = m_process.exitCode();
    } else {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_pending += m_process.readAllStandardOutput();
    while (takeLine()) {
    }
    if (!m_pending.isEmpty()) {
        m_lines.push_back(m_pending.toStdString());
        m_pending.clear();
    }
    result.lines = m_lines;
    result.errors = m_process.readAllStandardError().toStdString();
    return result;
}

TermsimProcess::Result runTermsim(const QStringList& arguments, std::chrono::milliseconds limit) {
    TermsimProcess termsim(arguments);
    return termsim.finish(limit);
}

QJsonObject TermsimProcess::Result::report() const {
    return lines.empty()
               ? QJsonObject()
               : QJsonDocument::fromJson(QByteArray::fromStdString(lines.back())).object();
}

QStringList scanArguments(const QString& server, const std::vector<std::string>& codes,
                          const char* timeoutSeconds) {
    QStringList arguments{QStringLiteral("--server"), server, QStringLiteral("--timeout"),
                          QString::fromUtf8(timeoutSeconds), QStringLiteral("--scan")};
    for (const std::string& code : codes) {
        arguments.append(QString::fromStdString(code));
    }
    return arguments;
}

TermsimProcess::Result runLoad(const QString& server, const std::vector<std::string>& codes,
                               int terminals, int durationSeconds, int timeoutSeconds,
                               const char* rate, const char* transport) {
    QTemporaryFile file;
    if (!file.open()) {
        return {};
    }
    for (const std::string& code : codes) {
        file.write(QByteArray::fromStdString(code + '\n'));
    }
    file.flush();
    return runTermsim(
        {QStringLiteral("--server"), server, QStringLiteral("--terminals"),
         QString::number(terminals), QStringLiteral("--rate"), QString::fromLatin1(rate),
         QStringLiteral("--duration"), QString::number(durationSeconds),
         QStringLiteral("--timeout"), QString::number(timeoutSeconds), QStringLiteral("--model"),
         QStringLiteral("1"), QStringLiteral("--codes"), file.fileName(),
         QStringLiteral("--transport"), QString::fromLatin1(transport), QStringLiteral("--json")});
}
