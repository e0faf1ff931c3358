#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>

#include <boost/asio/ip/address.hpp>

#include "termlink/Asio.h"

// How fast one address may open connections.  A device that opens thousands a second
// would keep the network thread from the terminals that scan; past the limit its
// connections are refused at accept, before they cost anything more.  Each address
// may open `burst` connections at once, then `perSecond` a second (a bucket that
// refills at that pace).  It counts per source address, whichever listener the
// connection came to, so one instance serves every listener; any thread may call it.
namespace termlink {

class ConnectionRate {
public:
    using Clock = std::chrono::steady_clock;
    struct Limit {
        unsigned perSecond = 32;  // 0: no limit
        unsigned burst = 128;     // at least 1
    };
    // Addresses followed one by one; further ones share one bucket until some go quiet.
    static constexpr size_t kMaxAddresses = 4096;

    explicit ConnectionRate(Limit limit) : m_limit(limit) {}

    // Whether `peer` may open one more connection at `now`; when it may, the
    // connection is counted against it.
    bool admit(const asio::ip::address& peer, Clock::time_point now);

private:
    // When an address's bucket is full again; an address whose time has passed is as
    // good as unknown.
    using Full = Clock::time_point;
    Full* fullTimeOf(const asio::ip::address& peer, Clock::time_point now);

    const Limit m_limit;
    std::mutex m_mutex;
    std::map<asio::ip::address, Full> m_full;
    Full m_othersFull{};
    Clock::time_point m_nextPrune{};
};

}  // namespace termlink
