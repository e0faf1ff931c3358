#include "app/HighVolumeLookups.h"

#include <chrono>
#include <utility>

#include <QMetaObject>

#include "app/ScanReply.h"

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
    m_service.shutdown();
}

}  // namespace tarifon
