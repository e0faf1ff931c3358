#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <termlink.h>

#include "termlink/Asio.h"
#include "termlink/ConnectionRate.h"
#include "termlink/Listening.h"
#include "termlink/PageRequests.h"
#include "termlink/RefusalLog.h"
#include "termlink/Registry.h"
#include "termlink/ServerConfig.h"
#include "termlink/WebListener.h"
#include "wire/Wire.h"

// The terminal server: a network thread that accepts terminals, plus the calls the
// program makes, named as the library exports them.  The C ABI is a thin layer over
// one instance; tests create as many as they like.  Every method may be called from
// any thread; none throws.
namespace termlink {

class Connection;

class Server {
public:
    // Starts the network thread; nothing listens until listen().
    explicit Server(ServerConfig config);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and listens; true when listening (also when it already was).  A failed
    // attempt can be retried.
    bool listen();
    // The bound port (useful with port 0); 0 while not listening.
    uint16_t port() const { return m_port.load(); }
    // The web side's bound port; 0 while it does not listen (or is turned off).
    uint16_t webPort() const { return m_web ? m_web->port() : 0; }
    // Closes the listener and every connection and ends the network thread.  Idempotent.
    void stop();
    const ServerConfig& config() const { return m_config; }
    // Connections closed because their peer is not in the allow list.
    uint64_t refusedConnections() const { return m_refused.load(); }
    // Connections closed because their peer opened too many too fast.
    uint64_t rateRefusedConnections() const { return m_rateRefused.load(); }

    void GetTabConectados(uint8_t* table, int32_t flag) const;
    int32_t iBarcodeEventFd() const { return m_registry.scanEventFd(); }
    static void TCinet_ntoa(uint32_t address, char* text);
    // The library's queries and commands, named and typed as it exports them.
#define TERMLINK_SERVER_METHOD(ret, name, params, args, bytes) ret name params;
    TERMLINK_QUERY_FUNCTIONS(TERMLINK_SERVER_METHOD)
    TERMLINK_COMMAND_FUNCTIONS(TERMLINK_SERVER_METHOD)
    TERMLINK_WEB_FUNCTIONS(TERMLINK_SERVER_METHOD)
    TERMLINK_CONSOLE_FUNCTIONS(TERMLINK_SERVER_METHOD)
#undef TERMLINK_SERVER_METHOD

private:
    bool sendTo(int32_t socket, const wire::Message& message);
    bool sendRecord(wire::Type type, const uint8_t* record);
    void runNetworkThread();
    bool listenOnNetworkThread();
    void start(asio::ip::tcp::socket socket);
    // Whether a connection just accepted from `peer`, on whichever listener, may be
    // served; a refusal is counted and reported.  Network thread only.
    bool admit(const asio::ip::address& peer);
    // Closes a refused connection once its hold is over (see kRefusedHold).
    void holdRefused(asio::ip::tcp::socket socket);
    void closeHeldWhenDue();
    // Counts and reports a page request from outside the console's allow list.
    void consoleRefused(const asio::ip::address& peer);
    void reportRefusalsWhenDue();
    void stopOnNetworkThread();

    const ServerConfig m_config;
    Registry m_registry;  // declared before the io_context: connections refer to it
    PageRequests m_programPages;
    asio::io_context m_io;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
    asio::ip::tcp::acceptor m_acceptor;
    asio::steady_timer m_acceptRetry;
    asio::steady_timer m_refusalTimer;
    AcceptLoop m_accepting;
    bool m_refusalTimerArmed = false;  // network thread only
    struct Held {
        std::chrono::steady_clock::time_point until;
        asio::ip::tcp::socket socket;
    };
    std::deque<Held> m_held;  // network thread only, oldest first
    asio::steady_timer m_heldTimer;
    bool m_heldTimerArmed = false;  // network thread only
    RefusalLog m_refusalLog;        // network thread only
    ConnectionRate m_connectionRate;
    std::atomic<uint64_t> m_refused{0};
    std::atomic<uint64_t> m_consoleRefused{0};
    std::atomic<uint64_t> m_rateRefused{0};
    std::set<std::shared_ptr<Connection>> m_connections;  // network thread only
    std::unique_ptr<WebListener> m_web;                   // null when turned off
    std::atomic<uint16_t> m_port{0};
    std::mutex m_controlMutex;  // serialises listen() and stop()
    bool m_stopped = false;
    std::thread m_thread;
};

}  // namespace termlink
