#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// Requests for the program's own pages (status, metrics, health), waiting for the program to
// take them on its tick and answer them.  Bounded, so a hung program costs a few entries, not
// memory without end.  Any thread; every method takes one lock.
namespace termlink {

class PageRequests {
public:
    static constexpr size_t kMaxWaiting = 32;

    struct Answer {
        int32_t status = 200;
        std::string contentType;
        std::string body;
    };
    // Called on the answering thread, with no lock held.
    using Deliver = std::function<void(Answer)>;

    // The request's number; nullopt when kMaxWaiting are already waiting.
    std::optional<int32_t> add(std::string path, Deliver deliver);
    // The oldest request not yet taken.
    bool take(int32_t& id, std::string& path);
    // False for a request that is unknown: answered already or dropped.
    bool answer(int32_t id, Answer answer);
    // The request was given up (no answer in time, or the connection closed).
    void drop(int32_t id);
    void clear();

private:
    struct Entry {
        int32_t id = 0;
        std::string path;
        bool taken = false;
        Deliver deliver;
    };

    std::mutex m_mutex;
    std::deque<Entry> m_entries;
    int32_t m_next = 1;
};

}  // namespace termlink
