#pragma once

#include <chrono>
#include <functional>

#include <QTimer>

namespace tarifon {

// Tells the service manager that the program is ready, then that it is alive, from a
// timer of the thread it was made on (the user-interface thread): a hung event loop
// stops the pings, and the manager restarts the service.  Outside a service both are
// no-ops.
class ServiceWatchdog {
public:
    // Sends one state line ("READY=1", "WATCHDOG=1").
    using Notify = std::function<void(const char* state)>;

    // `watchdogTime`: how long the manager waits for a ping; zero: it does not watch.
    ServiceWatchdog(Notify notify, std::chrono::microseconds watchdogTime);
    // The manager of this process, as its environment names it.
    ServiceWatchdog();

    // Ready, then a ping every half of the watchdog time.
    void start();

private:
    Notify m_notify;
    bool m_watched;
    QTimer m_timer;
};

}  // namespace tarifon
