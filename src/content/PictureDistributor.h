#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

#include "content/ImageTable.h"
#include "terminal/TerminalLibrary.h"
#include "terminal/ThreadStartFlags.h"

namespace tarifon {

// Runs picture distributions on worker threads and keeps them in bounds.  At most
// kMaxRunningWorkers run at once; a request beyond that waits in a queue (one place
// per terminal: a terminal that asks again while it waits keeps its place and gets
// the newer table), and a running worker takes the next waiting one when it is done.
// So a terminal that reports 392 over and over costs one queue place, not a thread
// per report.  stop() (and the destructor) drops what waits, asks the running
// distributions to end before their next library call, and returns once every
// worker is done with the library: call it before the library goes away.
//
// Requests come from the user-interface thread with a copy of the image table taken
// there; workers never see the window: what they have to say (the rows they skipped)
// waits here until the user-interface thread takes it for the event log.
class PictureDistributor {
public:
    static constexpr int kMaxRunningWorkers = 4;
    static constexpr int kMaxWaiting = ThreadStartFlags::kCount;
    // Lines kept for the event log between two takes; the oldest go first (the event log
    // itself keeps no more).
    static constexpr int kMaxLogLines = 10'000;

    enum class Outcome {
        Started,        // a worker has taken the request
        Queued,         // waits for a running worker to finish
        AlreadyQueued,  // that terminal was already waiting; it will get this table
        Dropped,        // the queue is full, or the distributor has stopped
        NotStarted,     // no thread could be created
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

    // Response 392 from the poller: a worker takes the socket through `flags`, the
    // poller waiting (within the flags' limit) until it has.
    Request requestFromTerminal(ThreadStartFlags& flags, int32_t socket, ImageTable table);
    // Button6: the selected terminal, taken at the press; nothing waits.
    Request requestFromOperator(ThreadStartFlags& flags, int32_t socket, ImageTable table);

    void stop();
    // The workers' lines for the event log since the last call, oldest first.  Call it
    // from the user-interface thread.
    QStringList takeLogLines();
    int running() const;
    int waiting() const;

private:
    struct State;
    Request request(ThreadStartFlags& flags, int32_t socket, ImageTable table, bool fromTerminal);

    // A worker: its own distribution, then whatever waits, until nothing does.
    static void work(const std::shared_ptr<State>& state, int32_t socket, ImageTable table);

    std::shared_ptr<State> m_state;
};

}  // namespace tarifon
