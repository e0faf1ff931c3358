#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace tarifon {

// The hand-over between the poller and a new image worker: flag n is 1 from the
// moment a worker is asked for socket n until that worker has taken its socket.
// The worker receives a Ticket carrying the socket by value, so a hand-over that
// ends early (time limit, thread not created) can never leave it reading a dead
// variable; the flag only tells the poller when the worker is under way.
class ThreadStartFlags {
public:
    static constexpr int kCount = 1024;
    // Long enough for any thread start on a loaded machine, short enough that a
    // worker that never runs freezes the window only briefly.
    static constexpr std::chrono::milliseconds kHandOverLimit{2000};

    enum class HandOver { HandedOver, TimedOut, NotStarted };

    // The worker's socket.  take() returns it and clears the flag; a worker that
    // ends without taking it clears the flag as the ticket goes, so no waiter is
    // left hanging.
    class Ticket {
    public:
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&&) = delete;
        ~Ticket();
        int32_t take();

    private:
        friend class ThreadStartFlags;
        Ticket(ThreadStartFlags* flags, int32_t socket);
        void release();

        ThreadStartFlags* m_flags;  // null when the socket has no flag
        int32_t m_socket;
    };
    using Worker = std::function<void(Ticket)>;

    ThreadStartFlags() = default;
    ThreadStartFlags(const ThreadStartFlags&) = delete;
    ThreadStartFlags& operator=(const ThreadStartFlags&) = delete;

    bool isSet(int32_t socket) const;

    // The poller's way: set the socket's flag, start `worker` on a detached thread
    // and wait, doing nothing else, until it has taken the socket or `limit` has
    // passed.  Sockets outside 0..1023 have no flag: the worker gets the value and
    // nothing waits.
    HandOver handOver(int32_t socket, Worker worker,
                      std::chrono::milliseconds limit = kHandOverLimit);
    // Starts `worker` on a detached thread for `socket` without setting a flag or
    // waiting (the operator's "send the images" button).  False when no thread
    // could be created.
    bool launch(int32_t socket, Worker worker);

private:
    static bool hasFlag(int32_t socket);
    static bool startThread(Worker worker, Ticket ticket);

    std::array<std::atomic<uint8_t>, kCount> m_flags{};
};

}  // namespace tarifon
