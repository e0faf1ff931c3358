#include "termsim/WebClient.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include <boost/beast/core/buffers_to_string.hpp>

#include "base/Cp1252.h"

namespace termsim {

namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

// A field of a server message. Tarifon writes compact JSON, and load mode needs only the
// message type, numbers and no texts with quotes, so no full parser is needed here.
std::string_view textField(std::string_view message, std::string_view name) {
    const std::string key = "\"" + std::string(name) + "\":\"";
    const size_t at = message.find(key);
    if (at == std::string_view::npos)
        return {};
    const size_t from = at + key.size();
    return message.substr(from, message.find('"', from) - from);
}

std::optional<uint64_t> numberField(std::string_view message, std::string_view name) {
    const std::string key = "\"" + std::string(name) + "\":";
    const size_t at = message.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    uint64_t value = 0;
    const char* from = message.data() + at + key.size();
    const auto [end, ec] = std::from_chars(from, message.data() + message.size(), value);
    return ec == std::errc() ? std::optional(value) : std::nullopt;
}

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

}  // namespace

std::string priceTarget(std::string_view code) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string target = "/api/price?code=";
    for (const char c : code) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            target += c;
        } else {
            target += '%';
            target += kHex[byte >> 4];
            target += kHex[byte & 15];
        }
    }
    return target;
}

WebClient::WebClient(asio::io_context& io, Transport transport, std::string host,
                     Listener& listener)
    : m_transport(transport),
      m_host(std::move(host)),
      m_listener(listener),
      m_ws(io),
      m_aliveTimer(io) {}

void WebClient::start(const std::vector<tcp::endpoint>& endpoints) {
    asio::async_connect(m_ws.next_layer(), endpoints,
                        [self = shared_from_this()](boost::system::error_code ec, const auto&) {
                            if (ec)
                                return self->fail("cannot connect", ec);
                            boost::system::error_code ignored;
                            self->m_ws.next_layer().set_option(tcp::no_delay(true), ignored);
                            self->connected();
                        });
}

void WebClient::connected() {
    if (m_closed)
        return;
    if (m_transport == Transport::Http)
        return m_listener.onWelcome(*this);
    m_ws.text(true);
    m_ws.async_handshake(m_host, "/ws", [self = shared_from_this()](boost::system::error_code ec) {
        if (ec)
            return self->fail("WebSocket handshake", ec);
        self->readPage();
    });
}

uint32_t WebClient::scan(const std::string& code) {
    const uint32_t seq = ++m_seq;
    const std::string utf8 = tarifon::cp1252::toUtf8(code);
    if (m_transport == Transport::WebSocket) {
        sendPage(R"({"type":"scan","code":)" + jsonString(utf8) + R"(,"seq":)" +
                 std::to_string(seq) + "}");
        return seq;
    }
    m_request.method(http::verb::get);
    m_request.target(priceTarget(utf8));
    m_request.version(11);
    m_request.set(http::field::host, m_host);
    http::async_write(m_ws.next_layer(), m_request,
                      [self = shared_from_this()](boost::system::error_code ec, size_t) {
                          if (ec)
                              return self->fail("cannot send", ec);
                          self->readHttp();
                      });
    return seq;
}

void WebClient::readHttp() {
    m_response = {};
    http::async_read(
        m_ws.next_layer(), m_buffer, m_response,
        [self = shared_from_this()](boost::system::error_code ec, size_t) {
            if (ec)
                return self->fail("cannot read the answer", ec);
            const auto status = self->m_response.result();
            Answer answer = Answer::Failed;
            if (status == http::status::ok)
                answer = self->m_response.body().find(R"("found":true)") != std::string::npos
                             ? Answer::Found
                             : Answer::NotFound;
            else if (status != http::status::service_unavailable)
                return self->fail("HTTP status " + std::to_string(unsigned(status)), {});
            const bool keep = self->m_response.keep_alive();
            self->m_listener.onAnswer(*self, self->m_seq, answer);
            if (!keep)
                self->fail("the server closed the connection", {});
        });
}

void WebClient::readPage() {
    m_ws.async_read(m_buffer, [self = shared_from_this()](boost::system::error_code ec, size_t) {
        if (ec)
            return self->fail("WebSocket closed", ec);
        const std::string text = beast::buffers_to_string(self->m_buffer.data());
        self->m_buffer.consume(self->m_buffer.size());
        self->pageMessage(text);
        if (!self->m_closed)
            self->readPage();
    });
}

void WebClient::pageMessage(std::string_view text) {
    const std::string_view type = textField(text, "type");
    if (type == "welcome") {
        const uint64_t idleMs = numberField(text, "idleTimeoutMs").value_or(30000);
        m_aliveAfter = std::chrono::milliseconds(std::max<uint64_t>(idleMs / 3, 1000));
        m_lastSent = std::chrono::steady_clock::now();
        armAlive();
        return m_listener.onWelcome(*this);
    }
    if (type == "keepAlive") {
        ++m_keepAlives;
        return sendPage(R"({"type":"alive"})");
    }
    const Answer answer = type == "price"      ? Answer::Found
                          : type == "notFound" ? Answer::NotFound
                                               : Answer::Failed;
    if (type == "price" || type == "notFound" || type == "failed")
        m_listener.onAnswer(*this, static_cast<uint32_t>(numberField(text, "seq").value_or(0)),
                            answer);
}

void WebClient::sendPage(std::string text) {
    if (m_closed)
        return;
    m_lastSent = std::chrono::steady_clock::now();
    m_writeQueue.push_back(std::move(text));
    if (m_writeQueue.size() == 1)
        writePage();
}

void WebClient::writePage() {
    m_ws.async_write(asio::buffer(m_writeQueue.front()),
                     [self = shared_from_this()](boost::system::error_code ec, size_t) {
                         if (ec)
                             return self->fail("cannot send", ec);
                         self->m_writeQueue.pop_front();
                         if (!self->m_writeQueue.empty() && !self->m_closed)
                             self->writePage();
                     });
}

void WebClient::armAlive() {
    m_aliveTimer.expires_at(m_lastSent + m_aliveAfter);
    m_aliveTimer.async_wait([self = shared_from_this()](boost::system::error_code ec) {
        if (ec || self->m_closed)
            return;
        if (std::chrono::steady_clock::now() - self->m_lastSent >= self->m_aliveAfter)
            self->sendPage(R"({"type":"alive"})");
        self->armAlive();
    });
}

void WebClient::close() {
    if (m_closed)
        return;
    m_closed = true;
    m_aliveTimer.cancel();
    boost::system::error_code ignored;
    m_ws.next_layer().shutdown(tcp::socket::shutdown_both, ignored);
    m_ws.next_layer().close(ignored);
}

void WebClient::fail(const std::string& what, boost::system::error_code ec) {
    if (m_closed)
        return;
    close();
    m_listener.onClosed(*this, ec ? what + ": " + ec.message() : what);
}

}  // namespace termsim
