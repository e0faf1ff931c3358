#include "app/LookupFailureLog.h"

namespace tarifon {

namespace {

const QString kPrefix = QStringLiteral("Falha no banco de dados do PDV");

}  // namespace

std::optional<QString> LookupFailureLog::failed(const QString& code, const QString& reason,
                                                Clock::time_point now) {
    // The client words a failure in several lines; the log holds one per event.
    const QString said = QString(reason).replace(QLatin1Char('\n'), QLatin1String("; "));
    if (!m_reasons.event(said, now))
        return std::nullopt;
    return QStringLiteral("%1 ao consultar %2: %3").arg(kPrefix, code, said);
}

QStringList LookupFailureLog::due(Clock::time_point now) {
    QStringList lines;
    for (const auto& [reason, count] : m_reasons.due(now)) {
        lines << QStringLiteral("%1 em mais %2 %3 no último minuto: %4")
                     .arg(kPrefix)
                     .arg(count)
                     .arg(count == 1 ? QStringLiteral("consulta") : QStringLiteral("consultas"),
                          reason);
    }
    return lines;
}

}  // namespace tarifon
