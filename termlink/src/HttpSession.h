#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/serializer.hpp>
#include <boost/beast/http/string_body.hpp>

#include "termlink/Asio.h"
#include "termlink/PageRequests.h"
#include "termlink/WebPages.h"
#include "termlink/WebSession.h"

// One HTTP connection of the web side: reads each request head within its time-out,
// refuses what is too large or not ours with its status, serves the kiosk page's files and
// the template pages, answers a web price checker's code through the same scan queue as a
// terminal's (a transient terminal of one scan), and hands a kiosk page's WebSocket over to
// a KioskSession.  Network thread only, but for the answer's outlet.
namespace termlink {

class WebListener;

class HttpSession final : public WebSession, public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(asio::ip::tcp::socket socket, WebListener& listener);

    void start();
    // Beyond kMaxWebConnections: 503, then closed.
    void refuseFull();
    bool holdsPlace() const override { return m_holdsPlace && m_state != State::Closed; }
    void closeNow() override { finish(); }

    // What the program answered to this session's request number `request`.
    struct Answer {
        enum class Kind { Price, NotFound, Failed };
        uint64_t request = 0;
        Kind kind = Kind::Failed;
        std::string description;  // Windows-1252, as the program sent them
        std::string price;
    };
    void answered(const Answer& answer);
    // What the program answered to this session's request number `request` for its page.
    void pageAnswered(uint64_t request, PageRequests::Answer answer);

private:
    enum class State { Reading, Waiting, Writing, Closed };
    enum class Wait { None, Idle, Head, Answer, Page, Linger };
    using Response = boost::beast::http::response<boost::beast::http::string_body>;

    void readRequest();
    void readHead();
    void onHead(const boost::system::error_code& ec);
    void route();
    void upgrade();
    void lookUp(bool api, const std::string& value);
    void programPage(const std::string& path);
    void dropPendingPage();
    void answer(Answer::Kind kind, const std::string& description, const std::string& price);
    void respond(unsigned status, std::string_view type, std::string body, bool close = false);
    void onWritten(const boost::system::error_code& ec, bool close);
    void lingerAndClose();
    void arm(std::chrono::milliseconds after, Wait what);
    void onTimer(Wait what);
    void finish();

    boost::beast::tcp_stream m_stream;
    asio::steady_timer m_timer;
    WebListener& m_listener;
    boost::beast::flat_buffer m_buffer;
    std::optional<boost::beast::http::request_parser<boost::beast::http::empty_body>> m_parser;
    std::shared_ptr<Response> m_response;
    std::optional<boost::beast::http::response_serializer<boost::beast::http::string_body>>
        m_serializer;
    std::string m_peer;
    asio::ip::address m_peerAddress;
    State m_state = State::Reading;
    Wait m_wait = Wait::None;
    uint64_t m_timerGeneration = 0;
    bool m_headTimedOut = false;
    bool m_holdsPlace = true;
    uint64_t m_served = 0;
    // The request being answered.
    unsigned m_version = 11;
    bool m_keepAlive = true;
    bool m_headOnly = false;
    bool m_api = false;
    std::string m_code;  // UTF-8, as shown on the page
    uint64_t m_request = 0;
    int32_t m_pendingSocket = 0;
    int32_t m_pendingPage = 0;  // the program's page request waiting, 0 for none
    bool m_noStore = false;     // the answer changes from one request to the next
};

}  // namespace termlink
