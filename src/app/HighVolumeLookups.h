#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include "app/SettingsFile.h"
#include "pricing/DbResult.h"
#include "pricing/LookupService.h"
#include "terminal/ScanQueue.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// The high-volume mode as the controller runs it.  The poller hands scans over; a
// LookupService looks them up on its workers, which send each answer to its terminal
// as soon as the lookup ends.  The user-interface thread is woken (`wake`) when the
// library has scans waiting, so they need not wait for the next tick; it takes what
// finished on its ticks, to log it and show failures.  Everything but the workers
// belongs to the user-interface thread.
class HighVolumeLookups final : public ScanQueue {
public:
    // The settings in force for a scan, taken when the poller hands it over.
    using SettingsSource = std::function<LookupSettings()>;

    HighVolumeLookups(TerminalLibrary& library, const PerformanceSettings& performance,
                      SettingsSource settings, std::function<void()> wake);
    ~HighVolumeLookups() override;

    // The workers attach before the first scan; see LookupService::warmUp.
    bool warmUp(std::chrono::milliseconds limit);
    bool hasRoom() const override;
    void submit(int32_t socket, const QString& code) override;
    std::vector<FinishedLookup> takeFinished();
    // Queues one more call of `wake`, for scans left in the library by the per-tick cap.
    void wakeSoon();
    // No more scans; waits for the lookups in progress.
    void shutdown();

    // The operator's connection test, off the user-interface thread: `done` is called
    // on that thread when it has ended.  A click while one runs is ignored.
    using TestDone = std::function<void(const DbResult<void>&)>;
    void testConnection(const QString& databasePath, std::chrono::seconds timeout, TestDone done);

private:
    SettingsSource m_settings;
    std::function<void()> m_wake;
    QObject m_context;  // receives the queued calls on the user-interface thread
    std::unique_ptr<QSocketNotifier> m_scansWaiting;  // the library's wake-up, if it has one
    std::thread m_tester;
    bool m_testing = false;  // user-interface thread only
    // Last: its workers stop, and their callbacks end, before the rest goes.
    LookupService m_service;
};

}  // namespace tarifon
