#include "content/PictureDistributor.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <QtGlobal>

#include "content/ImageDistribution.h"

namespace tarifon {

namespace {

struct Job {
    int32_t socket;
    ImageTable table;
};

}  // namespace

struct PictureDistributor::State {
    State(Distribution distribution, int maxRunning)
        : distribution(std::move(distribution)), maxRunning(maxRunning) {}

    const Distribution distribution;
    const int maxRunning;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex;
    std::condition_variable work;   // a started request, or stop
    std::condition_variable taken;  // a worker took a started request
    int running = 0;                // started requests not yet done
    std::deque<Job> started;        // started, not yet taken by a worker
    uint64_t startedCount = 0;
    uint64_t takenCount = 0;
    std::deque<Job> waiting;
    QStringList logLines;
    std::vector<std::thread> threads;  // touched by the requesting thread only
};

PictureDistributor::PictureDistributor(TerminalLibrary& library, QString programDir, int maxRunning)
    : PictureDistributor(
          [&library, programDir = std::move(programDir)](int32_t socket, const ImageTable& table,
                                                         const std::atomic<bool>& stop) {
              return distributePictures(library, socket, table, programDir, stop);
          },
          maxRunning) {}

PictureDistributor::PictureDistributor(Distribution distribution, int maxRunning)
    : m_state(std::make_unique<State>(std::move(distribution), std::max(maxRunning, 1))) {}

PictureDistributor::~PictureDistributor() {
    stop();
}

PictureDistributor::Request PictureDistributor::requestFromTerminal(
    int32_t socket, ImageTable table, std::chrono::milliseconds handOver) {
    return request(socket, std::move(table), handOver);
}

PictureDistributor::Request PictureDistributor::requestFromOperator(int32_t socket,
                                                                    ImageTable table) {
    return request(socket, std::move(table), std::chrono::milliseconds(0));
}

PictureDistributor::Request PictureDistributor::request(int32_t socket, ImageTable table,
                                                        std::chrono::milliseconds handOver) {
    State& state = *m_state;
    const QString about = QStringLiteral("Images for socket %1").arg(socket);
    std::unique_lock lock(state.mutex);
    if (state.stopping)
        return {Outcome::Dropped, about + QStringLiteral(" dropped: shutting down")};
    if (state.running >= state.maxRunning) {
        const auto queued = std::find_if(state.waiting.begin(), state.waiting.end(),
                                         [socket](const Job& job) { return job.socket == socket; });
        if (queued != state.waiting.end()) {
            queued->table = std::move(table);
            return {Outcome::AlreadyQueued, about + QStringLiteral(" already waiting")};
        }
        if (static_cast<int>(state.waiting.size()) >= kMaxWaiting)
            return {Outcome::Dropped,
                    about + QStringLiteral(" dropped: %1 terminals waiting").arg(kMaxWaiting)};
        state.waiting.push_back({socket, std::move(table)});
        return {Outcome::Queued,
                about + QStringLiteral(" wait: %1 distributions running").arg(state.running)};
    }
    // Every running request has a thread of its own to run on.
    if (static_cast<int>(state.threads.size()) <= state.running) {
        try {
            state.threads.emplace_back(&PictureDistributor::work, std::ref(state));
        } catch (const std::system_error& e) {
            qWarning("cannot start an image worker: %s", e.what());
            return {Outcome::NotStarted,
                    about + QStringLiteral(" not sent: no thread could be started")};
        }
    }
    ++state.running;
    state.started.push_back({socket, std::move(table)});
    const uint64_t ticket = ++state.startedCount;
    state.work.notify_one();
    state.taken.wait_for(lock, handOver, [&state, ticket] { return state.takenCount >= ticket; });
    return {Outcome::Started, {}};
}

void PictureDistributor::stop() {
    State& state = *m_state;
    {
        std::lock_guard lock(state.mutex);
        state.stopping = true;
        state.waiting.clear();
    }
    state.work.notify_all();
    // Requests already started still reach their workers, which see the stop at once.
    for (std::thread& thread : state.threads)
        thread.join();
    state.threads.clear();
}

QStringList PictureDistributor::takeLogLines() {
    std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->logLines, {});
}

int PictureDistributor::running() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->running;
}

int PictureDistributor::waiting() const {
    std::lock_guard lock(m_state->mutex);
    return static_cast<int>(m_state->waiting.size());
}

void PictureDistributor::work(State& state) {
    std::unique_lock lock(state.mutex);
    for (;;) {
        state.work.wait(lock, [&state] { return !state.started.empty() || state.stopping; });
        if (state.started.empty())
            return;
        Job job = std::move(state.started.front());
        state.started.pop_front();
        ++state.takenCount;
        state.taken.notify_all();
        for (;;) {
            lock.unlock();
            QStringList lines;
            // An exception escaping a thread would end the whole server.
            try {
                lines = state.distribution(job.socket, job.table, state.stopping);
            } catch (const std::exception& e) {
                qWarning("image worker failed: %s", e.what());
            } catch (...) {
                qWarning("image worker failed");
            }
            lock.lock();
            state.logLines += lines;
            if (state.logLines.size() > kMaxLogLines)
                state.logLines.remove(0, state.logLines.size() - kMaxLogLines);
            if (state.stopping || state.waiting.empty())
                break;
            job = std::move(state.waiting.front());
            state.waiting.pop_front();
        }
        --state.running;
    }
}

}  // namespace tarifon
