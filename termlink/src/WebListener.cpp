#include "termlink/WebListener.h"

#include "termlink/HttpSession.h"
#include "termlink/Limits.h"
#include "termlink/Listening.h"
#include "termlink/Report.h"

namespace termlink {

std::optional<wire::Message> decodeSent(const wire::Bytes& frame) {
    if (frame.size() <= wire::kHeaderSize)
        return std::nullopt;
    return wire::decode(
        wire::Frame{static_cast<wire::Type>(frame[wire::kHeaderSize]),
                    wire::Bytes(frame.begin() + wire::kHeaderSize + 1, frame.end())});
}

WebListener::WebListener(asio::io_context& io, Registry& registry, PageRequests& pages,
                         const ServerConfig& config, AcceptLoop::Admit admit,
                         AcceptLoop::Refused refused, ConsoleRefused consoleRefused)
    : m_registry(registry),
      m_config(config),
      m_programPages(pages),
      m_consoleRefused(std::move(consoleRefused)),
      m_pages(config.web),
      m_acceptor(io),
      m_acceptRetry(io),
      m_accepting{m_acceptor, m_acceptRetry, std::move(admit), std::move(refused),
                  [this](asio::ip::tcp::socket socket) { start(std::move(socket)); }} {}

bool WebListener::listen() {
    if (m_acceptor.is_open())
        return true;
    if (!listenOn(m_acceptor, m_config.web.address, m_config.web.port, "web: "))
        return false;
    boost::system::error_code ec;
    m_port = m_acceptor.local_endpoint(ec).port();
    m_accepting.run();
    return true;
}

void WebListener::stop() {
    boost::system::error_code ignored;
    m_acceptor.close(ignored);
    m_acceptRetry.cancel();
    auto sessions = std::move(m_sessions);
    m_sessions.clear();
    for (const auto& s : sessions)
        s->closeNow();
    m_port = 0;
}

void WebListener::unshowablePicture() {
    if (!m_toldUnshowable.exchange(true))
        report(
            "web: a picture of the set is in a format browsers do not show (TIFF, say); "
            "kiosk pages leave such pictures out (told once)");
}

void WebListener::start(asio::ip::tcp::socket socket) {
    // Answers are small: without this, Nagle holds one back for the peer's delayed ACK.
    boost::system::error_code ignored;
    socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    size_t places = 0;
    for (const auto& s : m_sessions)
        places += s->holdsPlace() ? 1 : 0;
    auto session = std::make_shared<HttpSession>(std::move(socket), *this);
    m_sessions.insert(session);
    if (places >= m_config.web.maxConnections)
        session->refuseFull();
    else
        session->start();
}

}  // namespace termlink
