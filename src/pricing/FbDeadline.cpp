#include "pricing/FbDeadline.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include <ibase.h>

namespace tarifon {

namespace {

class Watchdog {
public:
    static Watchdog& instance() {
        static Watchdog watchdog;
        return watchdog;
    }

    FbDeadline::Key arm(isc_db_handle handle, std::chrono::steady_clock::duration limit) {
        std::lock_guard lock(m_mutex);
        const FbDeadline::Key key{std::chrono::steady_clock::now() + limit, ++m_count};
        const bool earliest = m_armed.empty() || key < m_armed.begin()->first;
        m_armed.emplace(key, handle);
        if (earliest)
            m_wake.notify_one();
        return key;
    }

    void disarm(const FbDeadline::Key& key) {
        std::lock_guard lock(m_mutex);
        m_armed.erase(key);
    }

private:
    Watchdog() : m_thread([this] { run(); }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void run() {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            if (m_armed.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const auto first = m_armed.begin();
            // A copy: the wait reads the time again after waking, when the entry it came
            // from may have been disarmed and freed.
            const auto due = first->first.first;
            if (std::chrono::steady_clock::now() < due) {
                m_wake.wait_until(lock, due);
                continue;
            }
            // Under the lock, so the owner cannot detach (and the handle be reused)
            // meanwhile; an abort only closes the client's side, it does not wait.
            ISC_STATUS_ARRAY status{};
            isc_db_handle handle = first->second;
            fb_cancel_operation(status, &handle, fb_cancel_abort);
            m_armed.erase(first);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<FbDeadline::Key, isc_db_handle> m_armed;
    uint64_t m_count = 0;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace

FbDeadline::FbDeadline(const FbConnection& connection)
    : m_key(Watchdog::instance().arm(connection.handle(), connection.answerTimeout())) {}

FbDeadline::~FbDeadline() {
    Watchdog::instance().disarm(m_key);
}

}  // namespace tarifon
