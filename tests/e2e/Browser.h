#pragma once

#include <chrono>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

// Debian's Chromium, headless, driven by Selenium through browser_driver.py.
class Browser {
public:
    // What is not installed, or empty: the tests skip where something is missing and
    // fail where everything is there.
    static QString missing() {
        for (const QString& file : {kPython, kChromium, kChromeDriver})
            if (!QFile::exists(file))
                return file;
        return QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import selenium")})
                   ? QStringLiteral("Selenium")
                   : QString();
    }

    Browser() {
        m_process.start(kPython, {QStringLiteral(TARIFON_SOURCE_DIR "/tests/e2e/browser_driver.py"),
                                  kChromium, kChromeDriver});
        if (!reply(60000).value(QStringLiteral("ready")).toBool() && m_error.isEmpty())
            m_error = QStringLiteral("not ready");
    }
    ~Browser() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(15000))
            m_process.kill();
    }

    // Empty once the browser runs, else why it does not; after run(), why it failed.
    QString error() const { return m_error; }
    // "open" URL, "keys" typed into what has the focus as a scanner types ("\n" is Enter),
    // "eval" a JavaScript expression (its value), "shot" a PNG to a path.
    QJsonValue run(const char* command, const QString& argument) {
        const QJsonArray line{QString::fromLatin1(command), argument};
        m_process.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        return reply(30000).value(QStringLiteral("value"));
    }
    // Waits, running Qt's event loop (the window may be in this process), until the
    // expression gives `expected`; lastSeen() is what it gave last.
    bool waitFor(const QString& expression, const QJsonValue& expected,
                 std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return QTest::qWaitFor([&] { return (m_lastSeen = run("eval", expression)) == expected; },
                               static_cast<int>(limit.count()));
    }
    QJsonValue lastSeen() const { return m_lastSeen; }
    // The window as NAME.png in the folder TARIFON_BROWSER_SHOTS names, when it names one.
    void shot(const QString& name) {
        const QString folder = qEnvironmentVariable("TARIFON_BROWSER_SHOTS");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            run("shot", QDir(folder).filePath(name + QStringLiteral(".png")));
    }

private:
    static inline const QString kPython = QStringLiteral("/usr/bin/python3");
    static inline const QString kChromium = QStringLiteral("/usr/bin/chromium");
    static inline const QString kChromeDriver = QStringLiteral("/usr/bin/chromedriver");

    QJsonObject reply(int limit) {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(limit)) {
                m_error = QStringLiteral("no answer from the browser driver");
                return {};
            }
        const QJsonObject answer = QJsonDocument::fromJson(m_process.readLine()).object();
        m_error = answer.value(QStringLiteral("error")).toString();
        return answer;
    }

    QProcess m_process;
    QString m_error;
    QJsonValue m_lastSeen;
};
