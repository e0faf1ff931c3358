#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/websocket/stream.hpp>

#include "termlink/Asio.h"
#include "termlink/Outlet.h"
#include "termlink/WebSession.h"

// A kiosk page: a browser that is a terminal over a WebSocket, with its socket value, its
// place in the connected-terminal table and its scans in the same queue as every other
// terminal's.  What the program sends it arrives as frames of our wire protocol (Outlet)
// and leaves as the page's JSON messages; what the page sends goes into the Registry.
// Everything but send() and lookupFailed() runs on the network thread.
namespace termlink {

class WebListener;

class KioskSession final : public WebSession,
                           public Outlet,
                           public std::enable_shared_from_this<KioskSession> {
public:
    KioskSession(boost::beast::tcp_stream stream, WebListener& listener);

    // Completes the upgrade that `request` asked for.
    void start(boost::beast::http::request<boost::beast::http::empty_body> request);
    bool holdsPlace() const override { return m_state != State::Closed; }
    void closeNow() override;

    bool send(wire::Bytes frame) override;
    bool lookupFailed(uint32_t seq) override;

private:
    enum class State { Accepting, Live, Closing, Closed };

    void onAccepted();
    void read();
    // False when the message ended the connection.
    bool handle(const std::string& text);
    // From any thread: reserves the message's bytes and queues it on the network thread.
    bool post(std::string message);
    void queue(std::string message);
    void write();
    void armTimer(std::chrono::steady_clock::time_point deadline);
    void closeWith(uint16_t code, const char* reason);
    void leaveRegistry();
    void finish();

    boost::beast::websocket::stream<boost::beast::tcp_stream> m_ws;
    asio::steady_timer m_timer;
    asio::any_io_executor m_executor;
    WebListener& m_listener;
    boost::beast::flat_buffer m_buffer;
    State m_state = State::Accepting;
    int32_t m_socketValue = 0;
    uint32_t m_nextSeq = 1;  // for scans the page sends without a number
    std::string m_peer;
    std::string m_local;
    std::chrono::steady_clock::time_point m_lastMessage;
    std::deque<std::string> m_outbox;
    bool m_writing = false;
    std::atomic<size_t> m_queuedBytes{0};  // reserved by send(), released when written
};

}  // namespace termlink
