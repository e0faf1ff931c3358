#pragma once

#include <chrono>
#include <optional>

#include <QString>
#include <QStringList>

#include "base/OncePerPeriod.h"

namespace tarifon {

// The event-log lines of scans that failed on the database, whose box names no cause.
// The first failure with a reason is told at once, with its code and the database
// client's own words; while that reason comes back, one line a minute counts the
// failures since, so a database that is down under a hundred scanning terminals leaves a
// line a minute, not a line a scan.
class LookupFailureLog {
public:
    using Clock = OncePerPeriod<QString>::Clock;
    static constexpr std::chrono::minutes kInterval{1};
    // Reasons told apart within a minute; failures for further ones are counted together.
    static constexpr size_t kMaxReasons = 32;

    // One failed scan: the line to log now, if any.
    std::optional<QString> failed(const QString& code, const QString& reason,
                                  Clock::time_point now);
    // The counts whose minute has passed, to log now.
    QStringList due(Clock::time_point now);

private:
    OncePerPeriod<QString> m_reasons{
        kInterval, kMaxReasons, [](const QString&) { return QStringLiteral("outros motivos"); }};
};

}  // namespace tarifon
