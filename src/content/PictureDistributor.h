#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

#include "content/ImageTable.h"
#include "terminal/TerminalLibrary.h"

namespace tarifon {

// Runs picture distributions on a pool of at most kMaxRunningWorkers threads, started as
// they are first needed and joined by stop().  A request beyond what runs waits in a
// queue (one place per terminal: a terminal that asks again while it waits keeps its
// place and gets the newer table), and a worker takes the next waiting one when it is
// done.  So a terminal that reports 392 over and over costs one queue place, not a
// thread per report.  stop() (and the destructor) drops what waits, asks the running
// distributions to end before their next library call, and returns once every worker
// has ended: call it before the library goes away.
//
// Requests come from the user-interface thread with a copy of the image table taken
// there; workers never see the window: what they have to say (the rows they skipped)
// waits here until the user-interface thread takes it for the event log.
class PictureDistributor {
public:
    static constexpr int kMaxRunningWorkers = 4;
    static constexpr int kMaxWaiting = 1024;  // one place for every terminal the library takes
    // How long the poller waits for a worker to take the terminal it asked for: long
    // enough for a busy machine, short enough that the window barely notices.
    static constexpr std::chrono::milliseconds kHandOverLimit{2000};
    // Lines kept for the event log between two takes; the oldest go first (the event log
    // itself keeps no more).
    static constexpr int kMaxLogLines = 10'000;

    enum class Outcome {
        Started,        // a worker has taken the request
        Queued,         // waits for a running worker to finish
        AlreadyQueued,  // that terminal was already waiting; it will get this table
        Dropped,        // the queue is full, or the distributor has stopped
        NotStarted,     // no worker thread could be created
    };
    struct Request {
        Outcome outcome;
        QString logLine;  // one line for the event log; empty when Started
    };

    // What a worker does for one request (distributePictures in the program), and the
    // lines it leaves for the event log.
    using Distribution = std::function<QStringList(int32_t socket, const ImageTable& table,
                                                   const std::atomic<bool>& stop)>;

    // Distributes `programDir`'s pictures through `library`.
    PictureDistributor(TerminalLibrary& library, QString programDir,
                       int maxRunning = kMaxRunningWorkers);
    PictureDistributor(Distribution distribution, int maxRunning);
    ~PictureDistributor();
    PictureDistributor(const PictureDistributor&) = delete;
    PictureDistributor& operator=(const PictureDistributor&) = delete;

    // Response 392 from the poller: when the request starts, the poller waits (within
    // `handOver`, on a condition, not spinning) until a worker has taken it.
    Request requestFromTerminal(int32_t socket, ImageTable table,
                                std::chrono::milliseconds handOver = kHandOverLimit);
    // The operator asked for the selected terminal; nothing waits.
    Request requestFromOperator(int32_t socket, ImageTable table);

    void stop();
    // The workers' lines for the event log since the last call, oldest first.  Call it
    // from the user-interface thread.
    QStringList takeLogLines();
    int running() const;
    int waiting() const;

private:
    struct State;
    Request request(int32_t socket, ImageTable table, std::chrono::milliseconds handOver);

    // A worker thread: each started request, then whatever waits, until stop().
    static void work(State& state);

    std::unique_ptr<State> m_state;
};

}  // namespace tarifon
