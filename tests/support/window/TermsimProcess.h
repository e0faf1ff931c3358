#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <QJsonObject>
#include <QProcess>
#include <QStringList>

// The terminal simulator as a child process: started with its arguments, fed
// codes on standard input (interactive mode) and read line by line. Killed on
// destruction if it is still running.
class TermsimProcess {
public:
    struct Result {
        int exitCode = -1;  // -1: did not end within the limit (then killed) or crashed
        std::vector<std::string> lines;  // standard output, one entry per line
        std::string errors;              // standard error

        // The JSON report of load and idle mode (the last line); empty when there is none.
        QJsonObject report() const;
    };

    explicit TermsimProcess(const QStringList& arguments);
    ~TermsimProcess();
    TermsimProcess(const TermsimProcess&) = delete;
    TermsimProcess& operator=(const TermsimProcess&) = delete;

    void writeLine(const QString& line);
    // The next output line starting with `prefix` (earlier lines are skipped),
    // or nothing when none came within the limit.
    std::optional<std::string> waitForLine(const std::string& prefix,
                                           std::chrono::milliseconds limit);
    // Closes standard input and waits for the end.
    Result finish(std::chrono::milliseconds limit);

private:
    std::optional<std::string> takeLine();

    QProcess m_process;
    QByteArray m_pending;
    std::vector<std::string> m_lines;
};

// `--server SERVER --timeout SECONDS --scan CODES...`, codes in UTF-8.
QStringList scanArguments(const QString& server, const std::vector<std::string>& codes,
                          const char* timeoutSeconds = "5");

// Runs termsim to its end: `termsim ARGUMENTS` with no standard input.
TermsimProcess::Result runTermsim(const QStringList& arguments,
                                  std::chrono::milliseconds limit = std::chrono::seconds(60));

// Load mode with a JSON report: `terminals` terminals of model 1 scanning `codes`
// round-robin, `rate` scans a second each, for `durationSeconds`, over `transport`.
TermsimProcess::Result runLoad(const QString& server, const std::vector<std::string>& codes,
                               int terminals, int durationSeconds, int timeoutSeconds,
                               const char* rate = "1", const char* transport = "wire");
