#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "termlink/Asio.h"
#include "termlink/Outlet.h"
#include "termlink/Registry.h"
#include "termlink/ServerConfig.h"
#include "wire/Wire.h"

// One terminal's TCP connection: handshake, reading and checking frames, queueing
// what the terminal reports into the Registry, writing what the program sends, the
// handshake and idle timers, and an orderly close (Bye, flush, wait for the peer).
// Everything but send() runs on the network thread.
namespace termlink {

class Connection final : public Outlet, public std::enable_shared_from_this<Connection> {
public:
    using Finished = std::function<void(const std::shared_ptr<Connection>&)>;

    Connection(asio::ip::tcp::socket socket, Registry& registry, const ServerConfig& config,
               Finished onFinished);

    void start();
    // Turns the connection away at once with a Bye.
    void reject(wire::ByeReason reason);
    // Server shutdown: a Bye when nothing else is being written, then close now.
    void closeNow();
    // Whether it still holds one of the server's terminal places.
    bool holdsPlace() const { return m_state == State::Handshaking || m_state == State::Live; }

    bool send(wire::Bytes frame) override;

private:
    enum class State { Handshaking, Live, Closing, Closed };

    void read();
    void onData(size_t n);
    // False when the frame ended the connection.
    bool handle(const wire::Frame& frame);
    bool handleHello(const wire::Hello& hello);
    void deliver(wire::Bytes frame);
    void write();
    void armTimer(std::chrono::steady_clock::time_point deadline);
    void onTimer();
    void closeWith(wire::ByeReason reason);
    void leaveRegistry();
    void finish();

    asio::ip::tcp::socket m_socket;
    asio::steady_timer m_timer;
    asio::any_io_executor m_executor;
    Registry& m_registry;
    const ServerConfig& m_config;
    Finished m_onFinished;

    State m_state = State::Handshaking;
    int32_t m_socketValue = 0;
    std::chrono::steady_clock::time_point m_lastFrame;
    wire::FrameDecoder m_decoder{wire::kMaxTerminalBody};
    std::array<uint8_t, 8192> m_readBuffer{};
    std::deque<wire::Bytes> m_outbox;
    bool m_writing = false;
    std::atomic<size_t> m_queuedBytes{0};  // reserved by send(), released when written
};

}  // namespace termlink
