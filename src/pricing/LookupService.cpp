#include "pricing/LookupService.h"

#include <algorithm>
#include <utility>

#include "pricing/KeptConnection.h"

namespace tarifon {

LookupService::LookupService(Options options, Callbacks callbacks)
    : m_idleRelease(std::max(options.idleRelease, std::chrono::milliseconds(0))),
      m_capacity(std::max<size_t>(options.capacity, 1)),
      m_callbacks(std::move(callbacks)) {
    const int count = workerCount(options.workers);
    m_threads.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back(&LookupService::run, this);
}

LookupService::~LookupService() {
    shutdown();
}

int LookupService::workerCount(int configured) {
    if (configured > 0)
        return std::min(configured, kMaxWorkers);
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), kMinDefaultWorkers,
                      kMaxWorkers);
}

bool LookupService::warmUp(const LookupSettings& settings, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    if (m_stopping || settings.databasePath.isEmpty())
        return false;
    m_warmSettings = settings;
    ++m_warmRound;
    m_warmPending = workers();
    m_warmAttached = 0;
    m_workReady.notify_all();
    m_warmDone.wait_for(lock, limit, [this] { return m_warmPending == 0; });
    return m_warmPending == 0 && m_warmAttached == workers();
}

bool LookupService::hasRoom() const {
    std::lock_guard lock(m_mutex);
    return !m_stopping && m_outstanding < m_capacity;
}

bool LookupService::submit(int32_t socket, const QString& code, const LookupSettings& settings) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || m_outstanding >= m_capacity)
            return false;
        m_queue.push_back({socket, code, settings});
        ++m_outstanding;
    }
    m_workReady.notify_one();
    return true;
}

std::vector<FinishedLookup> LookupService::takeFinished() {
    std::lock_guard lock(m_mutex);
    std::vector<FinishedLookup> finished;
    finished.swap(m_finished);
    m_outstanding -= finished.size();
    return finished;
}

void LookupService::shutdown() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_workReady.notify_all();
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
}

bool LookupService::hasTakeable() const {
    return std::any_of(m_queue.begin(), m_queue.end(),
                       [this](const Request& request) { return !m_busy.contains(request.socket); });
}

std::optional<LookupService::Request> LookupService::takeRequest() {
    const auto next = std::find_if(m_queue.begin(), m_queue.end(), [this](const Request& request) {
        return !m_busy.contains(request.socket);
    });
    if (next == m_queue.end())
        return std::nullopt;
    Request request = std::move(*next);
    m_queue.erase(next);
    m_busy.insert(request.socket);
    return request;
}

void LookupService::run() {
    KeptConnection connection;
    std::unique_lock lock(m_mutex);
    int warmed = 0;  // rounds start at 1: one begun before this thread ran still counts
    const auto workOrStop = [this, &warmed] {
        return m_stopping || hasTakeable() || warmed != m_warmRound;
    };
    while (!m_stopping) {
        if (warmed != m_warmRound) {
            warmed = m_warmRound;
            const LookupSettings settings = m_warmSettings;
            lock.unlock();
            const bool attached = connection.warmUp(settings);
            lock.lock();
            if (warmed == m_warmRound) {
                m_warmAttached += attached ? 1 : 0;
                if (--m_warmPending == 0)
                    m_warmDone.notify_all();
            }
            continue;
        }
        std::optional<Request> request = takeRequest();
        if (!request) {
            if (!connection.attached()) {
                m_workReady.wait(lock, workOrStop);
            } else if (!m_workReady.wait_for(lock, m_idleRelease, workOrStop)) {
                lock.unlock();
                connection.release();
                lock.lock();
            }
            continue;
        }

        lock.unlock();
        const auto started = std::chrono::steady_clock::now();
        const PriceReply reply = connection.lookup(request->code, request->settings);
        const auto duration = std::chrono::steady_clock::now() - started;
        if (m_callbacks.reply)
            m_callbacks.reply(request->socket, reply);
        lock.lock();

        // Only now may the terminal's next scan be taken, by any worker.
        m_busy.erase(request->socket);
        const bool wasEmpty = m_finished.empty();
        m_finished.push_back({request->socket, std::move(request->code), reply.outcome, reply.error,
                              reply.description, reply.price, duration});
        if (hasTakeable())
            m_workReady.notify_one();
        if (wasEmpty && m_callbacks.finishedReady) {
            lock.unlock();
            m_callbacks.finishedReady();
            lock.lock();
        }
    }
    lock.unlock();
    connection.release();
}

}  // namespace tarifon
