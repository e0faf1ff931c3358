#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>

#include "termlink/Registry.h"
#include "termlink/ServerConfig.h"
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
    // Closes the listener and every connection and ends the network thread.  Idempotent.
    void stop();
    const ServerConfig& config() const { return m_config; }

    void GetTabConectados(uint8_t* tabsock, int32_t flag) const;
    // Dotted text of a table address, always zero-terminated within the buffer.
    static void TCinet_ntoa(uint32_t address, char* text21);
    uint8_t bEnviaVivo(int32_t socket);
    uint8_t bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024, int32_t* length);
    uint8_t GetResponseCtr(int32_t* socket, int32_t* code);
    uint8_t bReceiveConfig(uint8_t* record159);
    uint8_t bReceiveUpdConfig(uint8_t* record214);
    uint8_t bReceiveParam(uint8_t* record6);
    uint8_t bReceiveWlanConfig(uint8_t* record52);
    uint8_t bReceiveMacAddrConfig(uint8_t* record22);
    uint8_t bPedeConfig(int32_t socket);
    uint8_t bPedeUpdConfig(int32_t socket);
    uint8_t bPedeParam(int32_t socket);
    uint8_t bPedeWlanConfig(int32_t socket);
    uint8_t bPedeMacAddr(int32_t socket, uint8_t interfaceCode);
    uint8_t bMandaConfig(const uint8_t* record159);
    uint8_t bMandaUpdConfig(const uint8_t* record214);
    uint8_t bMandaParam(const uint8_t* record6);
    uint8_t bMandaWlanConfig(const uint8_t* record52);
    uint8_t bSendAllwaysLive(int32_t socket);
    uint8_t bSendCheckLive(int32_t socket);
    uint8_t bSendRestartSoft(int32_t socket);
    uint8_t bUpdateSoftware(int32_t socket);
    uint8_t bSendProdPrice(int32_t socket, const char* description, const char* price);
    uint8_t bSendProdNotFound(int32_t socket);
    uint8_t bSendDisplayMsg(int32_t socket, const char* line1, const char* line2, uint16_t time,
                            int32_t flag);
    int32_t iTypeTerm(int32_t socket) const;
    uint8_t bSendImageFromFile(int32_t socket, const char* path, int32_t width, int32_t height,
                               int32_t index, int32_t loop, int32_t pause, int32_t flag);

private:
    bool sendTo(int32_t socket, const wire::Message& message);
    bool sendRecord(wire::Type type, const uint8_t* record);
    void runNetworkThread();
    bool listenOnNetworkThread();
    void accept();
    void stopOnNetworkThread();

    const ServerConfig m_config;
    Registry m_registry;  // declared before the io_context: connections refer to it
    asio::io_context m_io;
    asio::executor_work_guard<asio::io_context::executor_type> m_work;
    asio::ip::tcp::acceptor m_acceptor;
    asio::steady_timer m_acceptRetry;
    std::set<std::shared_ptr<Connection>> m_connections;  // network thread only
    std::atomic<uint16_t> m_port{0};
    std::mutex m_controlMutex;  // serialises listen() and stop()
    bool m_stopped = false;
    std::thread m_thread;
};

}  // namespace termlink
