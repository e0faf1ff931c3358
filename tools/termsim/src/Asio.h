#pragma once

// The tree's one Asio is Boost's; inside termsim `asio::` names it.
namespace boost::asio {}

namespace termsim {
namespace asio = boost::asio;
}  // namespace termsim
