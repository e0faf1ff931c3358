#include "Browser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kChromium = QStringLiteral("/usr/bin/chromium");
const QString kChromeDriver = QStringLiteral("/usr/bin/chromedriver");

// One line of the driver's answer, waiting for it at most `limit` ms.
QJsonObject readReply(QProcess& process, int limit) {
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine()) {
        if (clock.elapsed() > limit || !process.waitForReadyRead(limit))
            return {{QStringLiteral("error"),
                     QString(QStringLiteral("no answer from the browser driver: ") +
                             QString::fromUtf8(process.readAllStandardError()))}};
    }
    return QJsonDocument::fromJson(process.readLine()).object();
}

}  // namespace

QString Browser::missing() {
    for (const QString& file : {kPython, kChromium, kChromeDriver})
        if (!QFile::exists(file))
            return file;
    QProcess python;
    python.start(kPython, {QStringLiteral("-c"), QStringLiteral("import selenium")});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return QStringLiteral("Selenium for %1").arg(kPython);
    return {};
}

Browser::Browser() {
    m_process.start(kPython, {QStringLiteral(TARIFON_SOURCE_DIR "/tests/e2e/browser_driver.py"),
                              kChromium, kChromeDriver});
    const QJsonObject ready = readReply(m_process, 60000);
    if (!ready.value(QStringLiteral("ready")).toBool())
        m_error = ready.value(QStringLiteral("error")).toString();
}

Browser::~Browser() {
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QJsonValue Browser::command(const QString& name, const QString& argument) {
    m_process.write(QJsonDocument(QJsonArray{name, argument}).toJson(QJsonDocument::Compact) +
                    '\n');
    const QJsonObject reply = readReply(m_process, 30000);
    m_lastError = reply.value(QStringLiteral("error")).toString();
    return m_lastError.isEmpty() ? reply.value(QStringLiteral("value")) : QJsonValue::Undefined;
}

void Browser::open(const QString& url) {
    command(QStringLiteral("open"), url);
}

void Browser::type(const QString& keys) {
    command(QStringLiteral("keys"), keys);
}

QJsonValue Browser::eval(const QString& expression) {
    return command(QStringLiteral("eval"), expression);
}

bool Browser::waitFor(const QString& expression, const QJsonValue& expected,
                      std::chrono::milliseconds limit) {
    return QTest::qWaitFor([&] { return (m_lastSeen = eval(expression)) == expected; },
                           static_cast<int>(limit.count()));
}

void Browser::shot(const QString& name) {
    const QString folder = qEnvironmentVariable("TARIFON_BROWSER_SHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder))
        command(QStringLiteral("shot"), QDir(folder).filePath(name + QStringLiteral(".png")));
}
