#include "app/ServiceWatchdog.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <systemd/sd-daemon.h>

namespace tarifon {

namespace {

std::chrono::microseconds watchdogTimeOfManager() {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0)
        return {};
    return std::chrono::microseconds(usec);
}

}  // namespace

ServiceWatchdog::ServiceWatchdog(Notify notify, std::chrono::microseconds watchdogTime)
    : m_notify(std::move(notify)), m_watched(watchdogTime.count() > 0) {
    m_timer.setInterval(
        std::max(std::chrono::milliseconds(1),
                 std::chrono::duration_cast<std::chrono::milliseconds>(watchdogTime / 2)));
    QObject::connect(&m_timer, &QTimer::timeout, [this] { m_notify("WATCHDOG=1"); });
}

ServiceWatchdog::ServiceWatchdog()
    : ServiceWatchdog([](const char* state) { sd_notify(0, state); }, watchdogTimeOfManager()) {}

void ServiceWatchdog::start() {
    m_notify("READY=1");
    if (m_watched)
        m_timer.start();
}

}  // namespace tarifon
