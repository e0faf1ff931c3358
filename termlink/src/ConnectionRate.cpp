#include "termlink/ConnectionRate.h"

#include "termlink/AllowList.h"

namespace termlink {

namespace {

// How often a full table may be searched for quiet addresses: a storm from many
// addresses must not make every accept walk the whole table.
constexpr std::chrono::seconds kPrunePause{1};

}  // namespace

ConnectionRate::Full* ConnectionRate::fullTimeOf(const asio::ip::address& peer,
                                                 Clock::time_point now) {
    const auto address = AllowList::plain(peer);
    if (const auto it = m_full.find(address); it != m_full.end())
        return &it->second;
    if (m_full.size() >= kMaxAddresses && now >= m_nextPrune) {
        std::erase_if(m_full, [now](const auto& item) { return item.second <= now; });
        m_nextPrune = now + kPrunePause;
    }
    if (m_full.size() >= kMaxAddresses)
        return &m_othersFull;
    return &m_full.emplace(address, now).first->second;
}

bool ConnectionRate::admit(const asio::ip::address& peer, Clock::time_point now) {
    if (m_limit.perSecond == 0)
        return true;
    // Each connection moves the time the bucket is full again by one interval; an
    // address may run at most `burst` intervals ahead of now.
    const Clock::duration interval = Clock::duration(std::chrono::seconds(1)) / m_limit.perSecond;
    std::lock_guard lock(m_mutex);
    Full* full = fullTimeOf(peer, now);
    const Full next = std::max(*full, now) + interval;
    if (next - now > interval * m_limit.burst)
        return false;
    *full = next;
    return true;
}

}  // namespace termlink
