#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <boost/asio.hpp>

#include "termsim/Asio.h"
#include "termsim/Terminal.h"
#include "wire/Wire.h"

namespace termsim {

// One terminal's TCP link: connects, says hello, feeds every server frame to
// its Terminal and sends the replies, and sends Alive when it has sent nothing
// for a third of the idle time-out that the server's Welcome gave (10 s until
// then).  Single-threaded: use it from the io_context's thread only.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void onEvent(Connection& connection, const Event& event) = 0;
        // The link is gone (connect failure, server closed, broken stream); not
        // called after close().
        virtual void onClosed(Connection& connection, const std::string& why) = 0;
    };

    Connection(asio::io_context& io, Terminal terminal, Listener& listener);

    void start(const std::vector<asio::ip::tcp::endpoint>& endpoints);
    // Sends a scan of `code` (Windows-1252); returns its sequence number.
    uint32_t scan(const std::string& code);
    void send(wire::Bytes frame);
    void close();

    bool isOpen() const { return !m_closed; }
    Terminal& terminal() { return m_terminal; }

private:
    void read();
    void write();
    void armAlive();
    void fail(const std::string& why);

    asio::ip::tcp::socket m_socket;
    asio::steady_timer m_aliveTimer;
    Terminal m_terminal;
    Listener& m_listener;
    wire::FrameDecoder m_decoder{wire::kMaxServerBody};
    std::vector<uint8_t> m_readBuffer;
    std::deque<wire::Bytes> m_writeQueue;
    std::chrono::steady_clock::duration m_aliveAfter = std::chrono::seconds(10);
    std::chrono::steady_clock::time_point m_lastSent;
    bool m_connected = false;
    bool m_closed = false;
};

}  // namespace termsim
