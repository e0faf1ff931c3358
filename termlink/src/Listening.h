#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "termlink/Asio.h"

namespace termlink {

// Opens, binds and listens, and tells the operator on standard error where (with port 0,
// the port it got) or why not: "<what>listening on 0.0.0.0:48731".  Typically a second
// program on the same port; the C results cannot say so.
bool listenOn(asio::ip::tcp::acceptor& acceptor, const std::string& address, uint16_t port,
              std::string_view what);

// Accepts until the acceptor closes.  A peer that `admit` turns down is handed, unread, to
// `refused`; the others to `accepted`.  A failed accept (typically out of file descriptors)
// is tried again after kAcceptRetryDelay instead of spinning.  Network thread only; the
// acceptor and the timer must outlive the loop.
struct AcceptLoop {
    using Admit = std::function<bool(const asio::ip::address&)>;
    using Refused = std::function<void(asio::ip::tcp::socket)>;

    asio::ip::tcp::acceptor& acceptor;
    asio::steady_timer& retry;
    Admit admit;
    Refused refused;
    std::function<void(asio::ip::tcp::socket)> accepted;

    void run();
};

}  // namespace termlink
