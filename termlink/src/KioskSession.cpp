#include "termlink/KioskSession.h"

#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http/field.hpp>

#include "termlink/Limits.h"
#include "termlink/Peer.h"
#include "termlink/WebListener.h"
#include "web/Messages.h"
#include "web/Request.h"

namespace termlink {

namespace beast = boost::beast;
namespace websocket = beast::websocket;
using std::chrono::steady_clock;

namespace {

// Ours, in the range the WebSocket standard leaves to applications: nothing came from the
// page for the idle time-out.
constexpr uint16_t kCloseIdle = 4000;
// A close frame's reason holds at most 123 bytes.
constexpr size_t kMaxCloseReason = 123;

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace

KioskSession::KioskSession(beast::tcp_stream stream, WebListener& listener)
    : m_ws(std::move(stream)),
      m_timer(m_ws.get_executor()),
      m_executor(m_ws.get_executor()),
      m_listener(listener) {}

void KioskSession::start(beast::http::request<beast::http::empty_body> request) {
    // The stream's own time-outs are WebSocket's: the closing handshake may take a while,
    // the page's silence is timed here.
    beast::get_lowest_layer(m_ws).expires_never();
    m_ws.set_option(
        websocket::stream_base::timeout{kCloseLinger, websocket::stream_base::none(), false});
    m_ws.set_option(websocket::stream_base::decorator([](websocket::response_type& response) {
        response.set(beast::http::field::server, "Tarifon");
    }));
    m_ws.read_message_max(kMaxPageMessageBytes);
    m_ws.async_accept(request, [self = shared_from_this()](const boost::system::error_code& ec) {
        if (self->m_state == State::Closed)
            return;
        if (ec)
            return self->finish();
        self->onAccepted();
    });
}

void KioskSession::onAccepted() {
    boost::system::error_code ec;
    auto& socket = beast::get_lowest_layer(m_ws).socket();
    const auto peer = socket.remote_endpoint(ec).address();
    m_peer = addressText(peer);
    m_local = addressText(socket.local_endpoint(ec).address());
    m_state = State::Live;
    read();
    const auto value = m_listener.registry().add(tableAddress(peer), TERMLINK_MODEL_BROWSER,
                                                 shared_from_this(), m_peer);
    if (!value)
        return closeWith(static_cast<uint16_t>(websocket::close_code::try_again_later),
                         "the terminal table is full");
    m_socketValue = *value;
    const auto idle = m_listener.config().idleTimeout;
    // Posted sends run after this handler, so welcome is always the page's first message.
    std::string welcome =
        web::welcomeMessage(m_socketValue, static_cast<uint32_t>(idle.count()), m_peer);
    m_queuedBytes += welcome.size();
    queue(std::move(welcome));
    m_lastMessage = steady_clock::now();
    armTimer(m_lastMessage + idle);
}

// One read is always pending while the connection lives: it also sees the page's side of
// a closing handshake.
void KioskSession::read() {
    m_ws.async_read(
        m_buffer, [self = shared_from_this()](const boost::system::error_code& ec, size_t) {
            if (self->m_state == State::Closed)
                return;
            if (ec) {
                // The page left, broke the protocol or sent too much (WebSocket has closed with
                // its own code then).
                self->leaveRegistry();
                return self->finish();
            }
            std::string text = beast::buffers_to_string(self->m_buffer.data());
            self->m_buffer.consume(self->m_buffer.size());
            if (self->m_state == State::Live) {
                if (!self->m_ws.got_text())
                    self->closeWith(static_cast<uint16_t>(websocket::close_code::unknown_data),
                                    "binary messages are not ours");
                else
                    self->handle(text);
            }
            self->read();
        });
}

bool KioskSession::handle(const std::string& text) {
    m_lastMessage = steady_clock::now();
    auto message = web::parsePageMessage(text);
    if (!message) {
        closeWith(static_cast<uint16_t>(websocket::close_code::bad_payload),
                  message.error().c_str());
        return false;
    }
    Registry& registry = m_listener.registry();
    return std::visit(
        Overloaded{
            [&](const web::PageScan& scan) {
                // An empty code is a broken page, as an empty scan frame is a broken
                // terminal; a scanner's suffix alone is dropped as a terminal's is.
                if (scan.code.empty()) {
                    closeWith(static_cast<uint16_t>(websocket::close_code::bad_payload),
                              "a scan without a code");
                    return false;
                }
                if (auto code = web::scannedCode(scan.code))
                    registry.pushScan(m_socketValue, scan.seq.value_or(m_nextSeq++),
                                      std::move(*code));
                return true;
            },
            [](const web::PageAlive&) { return true; },
            [&](const web::PageResponse& response) {
                registry.pushResponse(m_socketValue, response.code, response.second);
                return true;
            },
            [&](const web::PageNetConfig& net) {
                registry.pushReply(ReplyKind::Net, m_socketValue,
                                   web::netConfigReply(net, m_local, m_peer));
                return true;
            },
            [&](const web::PageUpdConfig& upd) {
                registry.pushReply(ReplyKind::Upd, m_socketValue, web::updConfigReply(upd));
                return true;
            },
        },
        *message);
}

bool KioskSession::send(wire::Bytes frame) {
    const auto message = decodeSent(frame);
    if (!message)
        return false;
    auto text = web::pageMessage(*message);
    if (!text) {
        if (text.error() == web::Unsent::UnshowablePicture)
            m_listener.unshowablePicture();
        return false;
    }
    return post(std::move(*text));
}

bool KioskSession::lookupFailed(uint32_t seq) {
    return post(web::failedMessage(seq));
}

bool KioskSession::post(std::string message) {
    if (!reserveOutbound(m_queuedBytes, message.size()))
        return false;
    asio::post(m_executor, [self = shared_from_this(), m = std::move(message)]() mutable {
        self->queue(std::move(m));
    });
    return true;
}

void KioskSession::queue(std::string message) {
    if (m_state != State::Live) {
        m_queuedBytes -= message.size();
        return;
    }
    m_outbox.push_back(std::move(message));
    write();
}

void KioskSession::write() {
    if (m_writing || m_outbox.empty() || m_state != State::Live)
        return;
    m_writing = true;
    m_ws.text(true);
    m_ws.async_write(asio::buffer(m_outbox.front()),
                     [self = shared_from_this()](const boost::system::error_code& ec, size_t) {
                         self->m_writing = false;
                         if (self->m_state == State::Closed)
                             return;
                         self->m_queuedBytes -= self->m_outbox.front().size();
                         self->m_outbox.pop_front();
                         if (ec) {
                             self->leaveRegistry();
                             return self->finish();
                         }
                         self->write();
                     });
}

void KioskSession::armTimer(steady_clock::time_point deadline) {
    m_timer.expires_at(deadline);
    m_timer.async_wait([self = shared_from_this()](const boost::system::error_code& ec) {
        if (ec || self->m_state == State::Closed)
            return;
        // A handler already queued when the timer was re-armed: the newer wait rules.
        if (self->m_timer.expiry() > steady_clock::now())
            return;
        const auto idle = self->m_listener.config().idleTimeout;
        if (self->m_state == State::Closing)
            self->finish();  // the page did not finish the closing handshake
        else if (steady_clock::now() - self->m_lastMessage >= idle)
            self->closeWith(kCloseIdle, "idle time-out");
        else
            self->armTimer(self->m_lastMessage + idle);
    });
}

void KioskSession::closeWith(uint16_t code, const char* reason) {
    if (m_state == State::Closing || m_state == State::Closed)
        return;
    leaveRegistry();
    m_state = State::Closing;
    armTimer(steady_clock::now() + kCloseLinger);
    std::string_view text(reason);
    if (text.size() > kMaxCloseReason) {
        // Cut on a character's first byte: the reason must stay UTF-8.
        size_t n = kMaxCloseReason;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
        text = text.substr(0, n);
    }
    m_ws.async_close(
        websocket::close_reason(static_cast<websocket::close_code>(code), text),
        [self = shared_from_this()](const boost::system::error_code&) { self->finish(); });
}

void KioskSession::closeNow() {
    leaveRegistry();
    finish();
}

void KioskSession::leaveRegistry() {
    if (m_socketValue != 0)
        m_listener.registry().remove(m_socketValue);
    m_socketValue = 0;
}

void KioskSession::finish() {
    if (m_state == State::Closed)
        return;
    leaveRegistry();
    m_state = State::Closed;
    m_timer.cancel();
    boost::system::error_code ignored;
    beast::get_lowest_layer(m_ws).socket().close(ignored);
    m_outbox.clear();
    m_listener.finished(shared_from_this());
}

}  // namespace termlink
