#include "app/ServiceLog.h"

#include <cstdio>

namespace tarifon {

QByteArray serviceLogLine(const QDateTime& time, const QString& text) {
    QString line = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text;
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return line.toUtf8() + '\n';
}

void writeServiceLog(const QString& text) {
    const QByteArray line = serviceLogLine(QDateTime::currentDateTime(), text);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace tarifon
