#include "termlink/Connection.h"

#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>

#include "termlink/Limits.h"
#include "termlink/Peer.h"

namespace termlink {

using std::chrono::steady_clock;

Connection::Connection(asio::ip::tcp::socket socket, Registry& registry, const ServerConfig& config,
                       Finished onFinished)
    : m_socket(std::move(socket)),
      m_timer(m_socket.get_executor()),
      m_executor(m_socket.get_executor()),
      m_registry(registry),
      m_config(config),
      m_onFinished(std::move(onFinished)) {}

void Connection::start() {
    boost::system::error_code ignored;
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    m_lastFrame = steady_clock::now();
    armTimer(m_lastFrame + m_config.handshakeTimeout);
    read();
}

void Connection::reject(wire::ByeReason reason) {
    m_lastFrame = steady_clock::now();
    read();
    closeWith(reason);
}

void Connection::closeNow() {
    if (m_state == State::Closed)
        return;
    leaveRegistry();
    if (!m_writing && m_state != State::Closing) {
        // Best effort only: the process is going away and will not wait.
        const auto bye = wire::encode(wire::Bye{wire::ByeReason::ServerStopping});
        boost::system::error_code ignored;
        m_socket.non_blocking(true, ignored);
        m_socket.write_some(asio::buffer(bye), ignored);
    }
    m_state = State::Closed;
    boost::system::error_code ignored;
    m_timer.cancel();
    m_socket.close(ignored);
}

bool Connection::send(wire::Bytes frame) {
    if (!reserveOutbound(m_queuedBytes, frame.size()))
        return false;
    asio::post(m_executor, [self = shared_from_this(), f = std::move(frame)]() mutable {
        self->deliver(std::move(f));
    });
    return true;
}

void Connection::deliver(wire::Bytes frame) {
    if (m_state != State::Live) {
        // Closing or closed: the frame is dropped; only Bye may follow what was queued.
        m_queuedBytes -= frame.size();
        return;
    }
    m_outbox.push_back(std::move(frame));
    write();
}

void Connection::write() {
    if (m_writing || m_outbox.empty() || m_state == State::Closed)
        return;
    m_writing = true;
    asio::async_write(m_socket, asio::buffer(m_outbox.front()),
                      [self = shared_from_this()](const std::error_code& ec, size_t) {
                          self->m_writing = false;
                          if (self->m_state == State::Closed)
                              return;
                          self->m_queuedBytes -= self->m_outbox.front().size();
                          self->m_outbox.pop_front();
                          if (ec) {
                              self->leaveRegistry();
                              self->finish();
                              return;
                          }
                          if (!self->m_outbox.empty()) {
                              self->write();
                          } else if (self->m_state == State::Closing) {
                              // Bye is out; wait for the peer to hang up (see read()).
                              boost::system::error_code ignored;
                              self->m_socket.shutdown(asio::ip::tcp::socket::shutdown_send,
                                                      ignored);
                          }
                      });
}

void Connection::read() {
    m_socket.async_read_some(asio::buffer(m_readBuffer),
                             [self = shared_from_this()](const std::error_code& ec, size_t n) {
                                 if (self->m_state == State::Closed)
                                     return;
                                 if (ec) {
                                     // The peer hung up or the link broke: it leaves without a Bye.
                                     self->leaveRegistry();
                                     self->finish();
                                     return;
                                 }
                                 if (self->m_state != State::Closing)
                                     self->onData(n);
                                 self->read();
                             });
}

void Connection::onData(size_t n) {
    std::vector<wire::Frame> frames;
    const bool ok = m_decoder.feed(std::span(m_readBuffer.data(), n), frames);
    for (const auto& frame : frames) {
        if (!handle(frame))
            return;
    }
    if (!ok)
        closeWith(wire::ByeReason::ProtocolError);
}

bool Connection::handle(const wire::Frame& frame) {
    m_lastFrame = steady_clock::now();
    if (!wire::isTerminalType(frame.type)) {
        closeWith(wire::ByeReason::ProtocolError);
        return false;
    }
    auto message = wire::decode(frame);
    if (!message) {
        closeWith(wire::ByeReason::ProtocolError);
        return false;
    }
    if (m_state == State::Handshaking) {
        const auto* hello = std::get_if<wire::Hello>(&*message);
        if (!hello) {
            closeWith(wire::ByeReason::ProtocolError);
            return false;
        }
        return handleHello(*hello);
    }
    if (auto* scan = std::get_if<wire::Scan>(&*message)) {
        // A scan of nothing but a scanner's suffix is no code at all and is dropped.
        if (auto code = wire::scannedCode(std::move(scan->code)))
            m_registry.pushScan(m_socketValue, scan->seq, std::move(*code));
    } else if (auto* reply = std::get_if<wire::ConfigReply>(&*message)) {
        m_registry.pushReply(*replyKindOf(reply->type), m_socketValue, std::move(reply->record));
    } else if (const auto* response = std::get_if<wire::Response>(&*message)) {
        m_registry.pushResponse(m_socketValue, response->code, response->second);
    } else if (!std::holds_alternative<wire::Alive>(*message)) {
        closeWith(wire::ByeReason::ProtocolError);  // a second Hello
        return false;
    }
    return true;
}

bool Connection::handleHello(const wire::Hello& hello) {
    if (hello.version != wire::kProtocolVersion) {
        // Which versions to fall back to, ahead of the Bye that a terminal of any version reads.
        auto versions = wire::encode(wire::Versions{{wire::kProtocolVersion}});
        m_queuedBytes += versions.size();
        m_outbox.push_back(std::move(versions));
        closeWith(wire::ByeReason::UnsupportedVersion);
        return false;
    }
    boost::system::error_code ec;
    const auto peer = m_socket.remote_endpoint(ec).address();  // 0.0.0.0 for a peer gone
    const auto socket =
        m_registry.add(tableAddress(peer), hello.model, shared_from_this(), addressText(peer));
    if (!socket) {
        closeWith(wire::ByeReason::ServerFull);
        return false;
    }
    m_socketValue = *socket;
    m_state = State::Live;
    // Sends that other threads post from now on run after this handler, so Welcome
    // is always the first frame the terminal sees.
    const auto welcome =
        wire::encode(wire::Welcome{wire::kProtocolVersion, m_socketValue,
                                   static_cast<uint32_t>(m_config.idleTimeout.count())});
    m_queuedBytes += welcome.size();
    deliver(welcome);
    armTimer(m_lastFrame + m_config.idleTimeout);
    return true;
}

void Connection::armTimer(steady_clock::time_point deadline) {
    m_timer.expires_at(deadline);
    m_timer.async_wait([self = shared_from_this()](const std::error_code& ec) {
        if (ec || self->m_state == State::Closed)
            return;
        // A handler already queued when the timer was re-armed: the newer wait rules.
        if (self->m_timer.expiry() > steady_clock::now())
            return;
        self->onTimer();
    });
}

void Connection::onTimer() {
    switch (m_state) {
        case State::Handshaking:
            closeWith(wire::ByeReason::HandshakeTimeout);
            break;
        case State::Live:
            if (steady_clock::now() - m_lastFrame >= m_config.idleTimeout)
                closeWith(wire::ByeReason::IdleTimeout);
            else
                armTimer(m_lastFrame + m_config.idleTimeout);
            break;
        case State::Closing:
            finish();  // the peer did not hang up within the linger time
            break;
        case State::Closed:
            break;
    }
}

void Connection::closeWith(wire::ByeReason reason) {
    if (m_state == State::Closing || m_state == State::Closed)
        return;
    leaveRegistry();
    m_state = State::Closing;
    auto bye = wire::encode(wire::Bye{reason});
    m_queuedBytes += bye.size();
    m_outbox.push_back(std::move(bye));
    armTimer(steady_clock::now() + kCloseLinger);
    write();
}

void Connection::leaveRegistry() {
    if (m_socketValue != 0)
        m_registry.remove(m_socketValue);
    m_socketValue = 0;
}

void Connection::finish() {
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    boost::system::error_code ignored;
    m_timer.cancel();
    m_socket.close(ignored);
    m_outbox.clear();
    if (m_onFinished)
        m_onFinished(shared_from_this());
}

}  // namespace termlink
