#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "termlink/AllowList.h"
#include "termlink/Limits.h"
#include "termlink/ConnectionRate.h"

namespace termlink {

// Our own default ports; not registered to any other product.
inline constexpr uint16_t kDefaultPort = 48731;
inline constexpr uint16_t kDefaultWebPort = 48780;

// The web side: kiosk pages and web price checkers (docs/web.md).
struct WebConfig {
    bool enabled = true;
    std::string address = "0.0.0.0";
    uint16_t port = kDefaultWebPort;  // 0: any free port, see Server::webPort()
    // The kiosk page's files, and the page templates with what they show; relative paths
    // are taken from the program's folder when the settings are loaded.
    std::string assets = "web";
    std::string templates = "web/templates";
    // How long a web price checker's request waits for the program's answer.
    std::chrono::milliseconds answerTimeout{10000};
    // Not settings of termlink.ini (Limits.h gives them); tests shorten them.
    std::chrono::milliseconds headTimeout = kRequestHeadTimeout;
    size_t maxConnections = kMaxWebConnections;
};

// The program's own pages on the web port: status, metrics, health (docs/console.md).
struct ConsoleConfig {
    // Who may read them; separate from the terminals' list, which lets in whole networks.
    AllowList allow = AllowList::loopback();
    // How long a request waits for the program before the library answers 503 itself.  Not a
    // setting of termlink.ini (Limits.h gives it); tests shorten it.
    std::chrono::milliseconds answerTimeout = kPageAnswerTimeout;
};

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
    WebConfig web;
    ConsoleConfig console;
};

}  // namespace termlink
