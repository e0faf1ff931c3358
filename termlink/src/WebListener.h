#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "termlink/Asio.h"
#include "termlink/Listening.h"
#include "termlink/PageRequests.h"
#include "termlink/Registry.h"
#include "termlink/ServerConfig.h"
#include "termlink/WebPages.h"
#include "termlink/WebSession.h"

// The web side of the terminal server, on its network thread: accepts browsers and web
// price checkers on their own port, under the terminals' allow list and as many at once as
// terminals, and hands each connection to an HTTP session (which may become a kiosk page's
// WebSocket).  Everything runs on the network thread.
namespace termlink {

class WebListener {
public:
    // `admit` and `refused` are the terminal side's, so that one allow list and one
    // per-address rate hold whichever port a device comes to; `consoleRefused` hears of page
    // requests from outside the console's allow list.
    using ConsoleRefused = std::function<void(const asio::ip::address&)>;
    WebListener(asio::io_context& io, Registry& registry, PageRequests& pages,
                const ServerConfig& config, AcceptLoop::Admit admit, AcceptLoop::Refused refused,
                ConsoleRefused consoleRefused);

    // Binds and listens; one line on standard error says where, or why not.
    bool listen();
    uint16_t port() const { return m_port.load(); }
    // Closes the listener and every web connection.
    void stop();

    // For the sessions.
    Registry& registry() { return m_registry; }
    const ServerConfig& config() const { return m_config; }
    WebPages& pages() { return m_pages; }
    PageRequests& programPages() { return m_programPages; }
    void consoleRefused(const asio::ip::address& peer) { m_consoleRefused(peer); }
    // A program page answered 503 by us: the queue was full or the program did not answer.
    void pageUnanswered() { ++m_unanswered; }
    uint64_t unansweredPages() const { return m_unanswered.load(); }
    void add(std::shared_ptr<WebSession> session) { m_sessions.insert(std::move(session)); }
    void finished(const std::shared_ptr<WebSession>& session) { m_sessions.erase(session); }
    // A picture a browser cannot show: told once for the life of the server.
    void unshowablePicture();

private:
    void start(asio::ip::tcp::socket socket);

    Registry& m_registry;
    const ServerConfig& m_config;
    PageRequests& m_programPages;
    ConsoleRefused m_consoleRefused;
    WebPages m_pages;
    asio::ip::tcp::acceptor m_acceptor;
    asio::steady_timer m_acceptRetry;
    AcceptLoop m_accepting;
    std::set<std::shared_ptr<WebSession>> m_sessions;
    std::atomic<uint16_t> m_port{0};
    std::atomic<bool> m_toldUnshowable{false};
    std::atomic<uint64_t> m_unanswered{0};
};

}  // namespace termlink
