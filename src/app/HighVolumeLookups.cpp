#include "app/HighVolumeLookups.h"

#include <chrono>
#include <cstdint>
#include <utility>

#include <unistd.h>

#include <QMetaObject>

#include "app/ScanReply.h"
#include "pricing/ConnectionTest.h"

namespace tarifon {

HighVolumeLookups::HighVolumeLookups(TerminalLibrary& library,
                                     const PerformanceSettings& performance,
                                     SettingsSource settings, std::function<void()> wake)
    : m_settings(std::move(settings)),
      m_wake(std::move(wake)),
      // What finished is taken on the window's ticks, a batch at a time: the answers have
      // gone out already, and a wake-up per lookup would cost the window more than the
      // lookup costs the worker.
      m_service({.workers = performance.workers,
                 .idleRelease = std::chrono::milliseconds(performance.idleMs)},
                {.reply = [&library](int32_t socket, const PriceReply& reply) {
                    sendPriceReply(library, socket, reply);
                }}) {
    const int scanEvent = library.iBarcodeEventFd();
    if (scanEvent < 0)
        return;
    m_scansWaiting = std::make_unique<QSocketNotifier>(scanEvent, QSocketNotifier::Read);
    QObject::connect(m_scansWaiting.get(), &QSocketNotifier::activated, &m_context,
                     [this, scanEvent] {
                         // Cleared before the scans are taken: one arriving meanwhile
                         // wakes us again.
                         uint64_t count = 0;
                         [[maybe_unused]] const ssize_t n = ::read(scanEvent, &count, sizeof count);
                         m_wake();
                     });
}

HighVolumeLookups::~HighVolumeLookups() {
    shutdown();
}

bool HighVolumeLookups::warmUp(std::chrono::milliseconds limit) {
    return m_service.warmUp(m_settings(), limit);
}

bool HighVolumeLookups::hasRoom() const {
    return m_service.hasRoom();
}

void HighVolumeLookups::submit(int32_t socket, const QString& code) {
    m_service.submit(socket, code, m_settings());
}

std::vector<FinishedLookup> HighVolumeLookups::takeFinished() {
    return m_service.takeFinished();
}

void HighVolumeLookups::wakeSoon() {
    QMetaObject::invokeMethod(&m_context, m_wake, Qt::QueuedConnection);
}

void HighVolumeLookups::shutdown() {
    if (m_scansWaiting)
        m_scansWaiting->setEnabled(false);
    m_service.shutdown();
    if (m_tester.joinable())
        m_tester.join();
}

void HighVolumeLookups::testConnection(const QString& databasePath, std::chrono::seconds timeout,
                                       TestDone done) {
    if (m_testing)
        return;
    if (m_tester.joinable())
        m_tester.join();
    m_testing = true;
    m_tester = std::thread([this, databasePath, timeout, done = std::move(done)] {
        const DbResult<void> result = testDatabaseConnection(databasePath, timeout);
        QMetaObject::invokeMethod(
            &m_context,
            [this, done, result] {
                m_testing = false;
                done(result);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace tarifon
