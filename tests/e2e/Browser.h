#pragma once

#include <chrono>
#include <string>

#include <QJsonValue>
#include <QProcess>
#include <QString>

// Debian's Chromium, headless, driven by Selenium through browser_driver.py. Quit on
// destruction.
class Browser {
public:
    // What is not installed (the browser, its driver, Selenium), or empty: the tests skip
    // where something is missing and fail where everything is there.
    static QString missing();

    Browser();
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // Empty once the browser runs, else why it does not.
    QString error() const { return m_error; }

    void open(const QString& url);
    // Typed into whatever has the focus, as a scanner types; "\n" is Enter.
    void type(const QString& keys);
    // The value of a JavaScript expression in the page (undefined on a failure, whose
    // reason is in lastError()).
    QJsonValue eval(const QString& expression);
    // Waits, running Qt's event loop (the window may be in this process), until the
    // expression gives `expected`; false when the limit passed first. lastSeen() is the
    // value it gave last.
    bool waitFor(const QString& expression, const QJsonValue& expected,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The window as NAME.png in the folder TARIFON_BROWSER_SHOTS names, when it names one.
    void shot(const QString& name);
    QString lastError() const { return m_lastError; }
    QJsonValue lastSeen() const { return m_lastSeen; }

private:
    QJsonValue command(const QString& name, const QString& argument);

    QProcess m_process;
    QString m_error;
    QString m_lastError;
    QJsonValue m_lastSeen;
};
