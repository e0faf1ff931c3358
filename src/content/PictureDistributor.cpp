#include "content/PictureDistributor.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "content/ImageDistribution.h"

namespace tarifon {

namespace {

struct Job {
    int32_t socket;
    ImageTable table;
};

}  // namespace

// Shared with the workers, so it lives as long as the last of them.
struct PictureDistributor::State {
    State(Distribution distribution, int maxRunning)
        : distribution(std::move(distribution)), maxRunning(maxRunning) {}

    const Distribution distribution;
    const int maxRunning;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
    std::deque<Job> waiting;
    QStringList logLines;
};

PictureDistributor::PictureDistributor(TerminalLibrary& library, QString programDir, int maxRunning)
    : PictureDistributor(
          [&library, programDir = std::move(programDir)](int32_t socket, const ImageTable& table,
                                                         const std::atomic<bool>& stop) {
              return distributePictures(library, socket, table, programDir, stop);
          },
          maxRunning) {}

PictureDistributor::PictureDistributor(Distribution distribution, int maxRunning)
    : m_state(std::make_shared<State>(std::move(distribution), std::max(maxRunning, 1))) {}

PictureDistributor::~PictureDistributor() {
    stop();
}

PictureDistributor::Request PictureDistributor::requestFromTerminal(ThreadStartFlags& flags,
                                                                    int32_t socket,
                                                                    ImageTable table) {
    return request(flags, socket, std::move(table), true);
}

PictureDistributor::Request PictureDistributor::requestFromOperator(ThreadStartFlags& flags,
                                                                    int32_t socket,
                                                                    ImageTable table) {
    return request(flags, socket, std::move(table), false);
}

PictureDistributor::Request PictureDistributor::request(ThreadStartFlags& flags, int32_t socket,
                                                        ImageTable table, bool fromTerminal) {
    State& state = *m_state;
    const QString about = QStringLiteral("Images for socket %1").arg(socket);
    {
        std::lock_guard lock(state.mutex);
        if (state.stopping)
            return {Outcome::Dropped, about + QStringLiteral(" dropped: shutting down")};
        if (state.running >= state.maxRunning) {
            const auto queued =
                std::find_if(state.waiting.begin(), state.waiting.end(),
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
        ++state.running;
    }

    ThreadStartFlags::Worker worker = [state = m_state,
                                       table = std::move(table)](ThreadStartFlags::Ticket ticket) {
        work(state, ticket.take(), table);
    };
    const bool started = fromTerminal ? flags.handOver(socket, std::move(worker)) !=
                                            ThreadStartFlags::HandOver::NotStarted
                                      : flags.launch(socket, std::move(worker));
    if (started)
        return {Outcome::Started, {}};
    std::lock_guard lock(state.mutex);
    --state.running;
    state.idle.notify_all();
    return {Outcome::NotStarted, about + QStringLiteral(" not sent: no thread could be started")};
}

void PictureDistributor::stop() {
    State& state = *m_state;
    std::unique_lock lock(state.mutex);
    state.stopping = true;
    state.waiting.clear();
    state.idle.wait(lock, [&state] { return state.running == 0; });
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

void PictureDistributor::work(const std::shared_ptr<State>& state, int32_t socket,
                              ImageTable table) {
    Job job{socket, std::move(table)};
    for (;;) {
        const QStringList lines = state->distribution(job.socket, job.table, state->stopping);
        std::lock_guard lock(state->mutex);
        state->logLines += lines;
        if (state->logLines.size() > kMaxLogLines)
            state->logLines.remove(0, state->logLines.size() - kMaxLogLines);
        if (state->stopping || state->waiting.empty()) {
            --state->running;
            state->idle.notify_all();
            return;
        }
        job = std::move(state->waiting.front());
        state->waiting.pop_front();
    }
}

}  // namespace tarifon
