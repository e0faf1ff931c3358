#include "app/TimerLatenessProbe.h"

#include <algorithm>
#include <cmath>

namespace tarifon {

TimerLatenessProbe::TimerLatenessProbe() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { fired(); });
    m_due = Clock::now() + kPeriod;
    m_timer.start(kPeriod);
}

void TimerLatenessProbe::fired() {
    const Clock::time_point now = Clock::now();
    m_lateMs.push_back(
        std::max(0.0, std::chrono::duration<double, std::milli>(now - m_due).count()));
    m_due = now + kPeriod;
    m_timer.start(kPeriod);
}

QString TimerLatenessProbe::summary() const {
    std::vector<double> sorted = m_lateMs;
    std::sort(sorted.begin(), sorted.end());
    // Nearest rank.
    const auto rank = [&sorted](double p) {
        if (sorted.empty())
            return 0.0;
        const auto at = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
        return sorted[std::clamp<size_t>(at, 1, sorted.size()) - 1];
    };
    return QStringLiteral("ui timer lateness: %1 samples, p50 %2 ms, p99 %3 ms, max %4 ms")
        .arg(sorted.size())
        .arg(rank(0.50), 0, 'f', 2)
        .arg(rank(0.99), 0, 'f', 2)
        .arg(rank(1.0), 0, 'f', 2);
}

}  // namespace tarifon
