#pragma once

#include <chrono>
#include <vector>

#include <QString>
#include <QTimer>

namespace tarifon {

// A diagnostic for benchmarks ([DEBUG] ui_probe=1 in de501.ini): how late a timer of
// the user-interface thread fires, which is how long the window would take to react.
// It re-arms itself every kPeriod and records how far past its due time each shot came.
class TimerLatenessProbe {
public:
    static constexpr std::chrono::milliseconds kPeriod{20};

    TimerLatenessProbe();

    // "ui timer lateness: N samples, p50 X ms, p99 Y ms, max Z ms".
    QString summary() const;

private:
    void fired();

    using Clock = std::chrono::steady_clock;
    QTimer m_timer;
    Clock::time_point m_due;
    std::vector<double> m_lateMs;
};

}  // namespace tarifon
