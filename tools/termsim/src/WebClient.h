#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "termsim/Asio.h"
#include "termsim/Options.h"

namespace termsim {

// One web terminal of load and idle mode (docs/web.md): a price checker asking
// /api/price over one HTTP keep-alive connection, or a kiosk page on its WebSocket, which
// sends "alive" after a third of the idle time-out without sending and answers keepAlive.
// Of the answers it reads only what the load report counts. Single-threaded, like
// Connection.
class WebClient : public std::enable_shared_from_this<WebClient> {
public:
    enum class Answer { Found, NotFound, Failed };
    class Listener {
    public:
        virtual ~Listener() = default;
        // Connected (HTTP) or welcomed (WebSocket): scans may be sent.
        virtual void onWelcome(WebClient& client) = 0;
        virtual void onAnswer(WebClient& client, uint32_t seq, Answer answer) = 0;
        // The link is gone; not called after close().
        virtual void onClosed(WebClient& client, const std::string& why) = 0;
    };

    // `transport` is Transport::Http or Transport::WebSocket; `host` goes in the requests.
    WebClient(asio::io_context& io, Transport transport, std::string host, Listener& listener);

    void start(const std::vector<asio::ip::tcp::endpoint>& endpoints);
    // Sends a scan of `code` (Windows-1252); returns its sequence number. Over HTTP one
    // scan at a time.
    uint32_t scan(const std::string& code);
    void close();
    uint64_t keepAlives() const { return m_keepAlives; }

private:
    void connected();
    void readHttp();
    void readPage();
    void pageMessage(std::string_view text);
    void sendPage(std::string text);
    void writePage();
    void armAlive();
    void fail(const std::string& what, boost::system::error_code ec);

    Transport m_transport;
    std::string m_host;
    Listener& m_listener;
    boost::beast::websocket::stream<asio::ip::tcp::socket> m_ws;
    asio::steady_timer m_aliveTimer;
    boost::beast::flat_buffer m_buffer;
    boost::beast::http::request<boost::beast::http::empty_body> m_request;
    boost::beast::http::response<boost::beast::http::string_body> m_response;
    std::deque<std::string> m_writeQueue;
    std::chrono::steady_clock::duration m_aliveAfter = std::chrono::seconds(10);
    std::chrono::steady_clock::time_point m_lastSent;
    uint32_t m_seq = 0;
    uint64_t m_keepAlives = 0;
    bool m_closed = false;
};

// The target of a price checker's request for `code` (UTF-8): /api/price?code=...
std::string priceTarget(std::string_view code);

}  // namespace termsim
