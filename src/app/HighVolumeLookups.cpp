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
      m_service(
          {.workers = performance.workers,
           .idleRelease = std::chrono::milliseconds(performance.idleMs)},
          {.reply = [&library](int32_t socket,
                               const PriceReply& reply) { sendPriceReply(library, socket, reply); },
           .finishedReady = [this] { wakeSoon(); }}) {}

HighVolumeLookups::~HighVolumeLookups() {
    shutdown();
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
