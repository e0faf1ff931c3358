#pragma once

#include <cstdio>
#include <functional>
#include <unistd.h>

#include <QRegularExpression>
#include <QString>
#include <QTemporaryFile>

// The server the library says it listens on ("termlink: listening on ..." on standard
// error) while `start` runs; empty when it said nothing of the kind.
inline QString listeningServer(const std::function<void()>& start) {
    QTemporaryFile said;
    if (!said.open())
        return {};
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(said.handle(), STDERR_FILENO);
    start();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    said.seek(0);
    static const QRegularExpression listening(
        QStringLiteral("termlink: listening on (127\\.0\\.0\\.1:\\d+)"));
    return listening.match(QString::fromUtf8(said.readAll())).captured(1);
}
