#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace tarifon {

// Service mode (`tarifon --service`): every event-log line also goes to standard error,
// where the system journal keeps it.

// "2024-05-01 14:03:07.123 text\n" in UTF-8.  Control characters (a scanned code may hold
// any byte) become '?', so that one log line stays one journal line.
QByteArray serviceLogLine(const QDateTime& time, const QString& text);

// serviceLogLine at the present local time, written to standard error in one write.
void writeServiceLog(const QString& text);

}  // namespace tarifon
