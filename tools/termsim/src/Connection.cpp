#include "termsim/Connection.h"

namespace termsim {

namespace {

constexpr size_t kReadChunk = 16 * 1024;

}  // namespace

Connection::Connection(asio::io_context& io, Terminal terminal, Listener& listener)
    : m_socket(io), m_aliveTimer(io), m_terminal(std::move(terminal)), m_listener(listener) {}

void Connection::start(const std::vector<asio::ip::tcp::endpoint>& endpoints) {
    asio::async_connect(m_socket, endpoints,
                        [self = shared_from_this()](boost::system::error_code ec, const auto&) {
                            if (self->m_closed)
                                return;
                            if (ec)
                                return self->fail("cannot connect: " + ec.message());
                            self->m_connected = true;
                            boost::system::error_code ignored;
                            self->m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
                            self->send(self->m_terminal.hello());
                            self->armAlive();
                            self->read();
                        });
}

uint32_t Connection::scan(const std::string& code) {
    uint32_t seq = 0;
    send(m_terminal.scan(code, seq));
    return seq;
}

void Connection::send(wire::Bytes frame) {
    if (m_closed || !m_connected)
        return;
    m_lastSent = std::chrono::steady_clock::now();
    m_writeQueue.push_back(std::move(frame));
    if (m_writeQueue.size() == 1)
        write();
}

void Connection::close() {
    if (m_closed)
        return;
    m_closed = true;
    boost::system::error_code ignored;
    m_aliveTimer.cancel();
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_socket.close(ignored);
}

void Connection::fail(const std::string& why) {
    if (m_closed)
        return;
    close();
    m_listener.onClosed(*this, why);
}

void Connection::write() {
    asio::async_write(m_socket, asio::buffer(m_writeQueue.front()),
                      [self = shared_from_this()](boost::system::error_code ec, size_t) {
                          if (self->m_closed)
                              return;
                          if (ec)
                              return self->fail("cannot send: " + ec.message());
                          self->m_writeQueue.pop_front();
                          if (!self->m_writeQueue.empty())
                              self->write();
                      });
}

void Connection::read() {
    m_readBuffer.resize(kReadChunk);
    m_socket.async_read_some(
        asio::buffer(m_readBuffer),
        [self = shared_from_this()](boost::system::error_code ec, size_t n) {
            if (self->m_closed)
                return;
            if (ec == asio::error::eof)
                return self->fail("connection closed by the server");
            if (ec)
                return self->fail("connection lost: " + ec.message());
            std::vector<wire::Frame> frames;
            const bool intact = self->m_decoder.feed(
                std::span<const uint8_t>(self->m_readBuffer.data(), n), frames);
            for (const wire::Frame& frame : frames) {
                Outcome outcome = self->m_terminal.handleFrame(frame);
                for (wire::Bytes& reply : outcome.frames)
                    self->send(std::move(reply));
                for (const Event& event : outcome.events) {
                    const auto* welcome = std::get_if<wire::Welcome>(&event);
                    if (welcome && welcome->idleTimeoutMs > 0) {
                        self->m_aliveAfter = std::chrono::milliseconds(welcome->idleTimeoutMs) / 3;
                        self->armAlive();
                    }
                    self->m_listener.onEvent(*self, event);
                    if (self->m_closed)
                        return;
                }
            }
            if (!intact)
                return self->fail("broken stream from the server: " + self->m_decoder.error());
            self->read();
        });
}

void Connection::armAlive() {
    m_aliveTimer.expires_at(m_lastSent + m_aliveAfter);
    m_aliveTimer.async_wait([self = shared_from_this()](boost::system::error_code ec) {
        if (ec || self->m_closed)
            return;
        if (std::chrono::steady_clock::now() - self->m_lastSent >= self->m_aliveAfter)
            self->send(wire::encode(wire::Alive{}));
        self->armAlive();
    });
}

}  // namespace termsim
