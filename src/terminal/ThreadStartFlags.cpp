#include "terminal/ThreadStartFlags.h"

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include <QtGlobal>

namespace tarifon {

ThreadStartFlags::Ticket::Ticket(ThreadStartFlags* flags, int32_t socket)
    : m_flags(flags), m_socket(socket) {}

ThreadStartFlags::Ticket::Ticket(Ticket&& other) noexcept
    : m_flags(std::exchange(other.m_flags, nullptr)), m_socket(other.m_socket) {}

ThreadStartFlags::Ticket::~Ticket() {
    release();
}

int32_t ThreadStartFlags::Ticket::take() {
    release();
    return m_socket;
}

void ThreadStartFlags::Ticket::release() {
    if (m_flags == nullptr)
        return;
    m_flags->m_flags[static_cast<size_t>(m_socket)].store(0, std::memory_order_release);
    m_flags = nullptr;
}

bool ThreadStartFlags::hasFlag(int32_t socket) {
    return socket >= 0 && socket < kCount;
}

bool ThreadStartFlags::isSet(int32_t socket) const {
    return hasFlag(socket) &&
           m_flags[static_cast<size_t>(socket)].load(std::memory_order_acquire) != 0;
}

bool ThreadStartFlags::startThread(Worker worker, Ticket ticket) {
    try {
        std::thread([worker = std::move(worker), ticket = std::move(ticket)]() mutable {
            // An exception escaping a thread would end the whole server.
            try {
                worker(std::move(ticket));
            } catch (const std::exception& e) {
                qWarning("image worker failed: %s", e.what());
            } catch (...) {
                qWarning("image worker failed");
            }
        }).detach();
        return true;
    } catch (const std::system_error& e) {
        qWarning("cannot start an image worker: %s", e.what());
        return false;
    }
}

bool ThreadStartFlags::launch(int32_t socket, Worker worker) {
    return startThread(std::move(worker), Ticket(nullptr, socket));
}

ThreadStartFlags::HandOver ThreadStartFlags::handOver(int32_t socket, Worker worker,
                                                      std::chrono::milliseconds limit) {
    if (!hasFlag(socket))
        return launch(socket, std::move(worker)) ? HandOver::HandedOver : HandOver::NotStarted;

    std::atomic<uint8_t>& flag = m_flags[static_cast<size_t>(socket)];
    flag.store(1, std::memory_order_release);
    // A thread that was never created drops its ticket here, which clears the flag.
    if (!startThread(std::move(worker), Ticket(this, socket)))
        return HandOver::NotStarted;

    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (flag.load(std::memory_order_acquire) != 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return HandOver::TimedOut;
        std::this_thread::yield();
    }
    return HandOver::HandedOver;
}

}  // namespace tarifon
