#include "termlink/PageRequests.h"

#include <algorithm>
#include <limits>

namespace termlink {

std::optional<int32_t> PageRequests::add(std::string path, Deliver deliver) {
    std::lock_guard lock(m_mutex);
    if (m_entries.size() >= kMaxWaiting)
        return std::nullopt;
    const int32_t id = m_next;
    m_next = m_next == std::numeric_limits<int32_t>::max() ? 1 : m_next + 1;
    m_entries.push_back({id, std::move(path), false, std::move(deliver)});
    return id;
}

bool PageRequests::take(int32_t& id, std::string& path) {
    std::lock_guard lock(m_mutex);
    const auto it =
        std::find_if(m_entries.begin(), m_entries.end(), [](const Entry& e) { return !e.taken; });
    if (it == m_entries.end())
        return false;
    it->taken = true;
    id = it->id;
    path = it->path;
    return true;
}

bool PageRequests::answer(int32_t id, Answer answer) {
    Deliver deliver;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                     [id](const Entry& e) { return e.id == id; });
        if (it == m_entries.end())
            return false;
        deliver = std::move(it->deliver);
        m_entries.erase(it);
    }
    deliver(std::move(answer));
    return true;
}

void PageRequests::drop(int32_t id) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [id](const Entry& e) { return e.id == id; });
}

void PageRequests::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

}  // namespace termlink
