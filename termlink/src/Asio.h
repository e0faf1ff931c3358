#pragma once

// The tree's one Asio is Boost's (the web side's HTTP and WebSocket library needs it);
// inside termlink `asio::` names it.
namespace boost::asio {}

namespace termlink {
namespace asio = boost::asio;
}  // namespace termlink
