#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "termlink/AllowList.h"
#include "termlink/ConnectionRate.h"

namespace termlink {

// Our own default port; not registered to any other product.
inline constexpr uint16_t kDefaultPort = 48731;

// How a terminal server listens and how long it waits for its terminals.
struct ServerConfig {
    std::string address = "0.0.0.0";
    uint16_t port = kDefaultPort;  // 0: any free port, see Server::port()
    std::chrono::milliseconds idleTimeout{30000};
    std::chrono::milliseconds handshakeTimeout{10000};
    // Connections from elsewhere are closed at once, before Hello.
    AllowList allow = AllowList::privateNetworks();
    // Connections past it are closed at once, before Hello; see ConnectionRate.
    ConnectionRate::Limit connectLimit;
};

}  // namespace termlink
