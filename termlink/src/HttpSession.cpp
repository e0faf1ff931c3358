#include "termlink/HttpSession.h"

#include <algorithm>

#include <boost/asio/post.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "base/Cp1252.h"
#include "termlink/KioskSession.h"
#include "termlink/Limits.h"
#include "termlink/Peer.h"
#include "termlink/WebListener.h"
#include "web/Messages.h"
#include "web/Request.h"

namespace termlink {

namespace beast = boost::beast;
namespace http = beast::http;
using tarifon::cp1252::toUtf8;

namespace {

constexpr size_t kReadChunk = 4096;
constexpr std::string_view kPlainText = "text/plain; charset=utf-8";
constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr std::string_view kJson = "application/json";

// Where the program's answer to one web request goes: back to its session, on the
// network thread.  Called from the program's threads.
class AnswerOutlet final : public Outlet {
public:
    AnswerOutlet(std::weak_ptr<HttpSession> session, uint64_t request,
                 asio::any_io_executor executor)
        : m_session(std::move(session)), m_request(request), m_executor(std::move(executor)) {}

    bool send(wire::Bytes frame) override {
        const auto message = decodeSent(frame);
        if (!message)
            return false;
        HttpSession::Answer answer{m_request, HttpSession::Answer::Kind::NotFound, {}, {}};
        if (const auto* price = std::get_if<wire::Price>(&*message)) {
            answer.kind = HttpSession::Answer::Kind::Price;
            answer.description = price->description;
            answer.price = price->price;
        } else if (!std::holds_alternative<wire::NotFound>(*message)) {
            return false;  // a request is never listed, so nothing else is for it
        }
        deliver(std::move(answer));
        return true;
    }

    bool lookupFailed(uint32_t) override {
        deliver({m_request, HttpSession::Answer::Kind::Failed, {}, {}});
        return true;
    }

private:
    void deliver(HttpSession::Answer answer) {
        asio::post(m_executor, [session = m_session, answer = std::move(answer)] {
            if (const auto s = session.lock())
                s->answered(answer);
        });
    }

    std::weak_ptr<HttpSession> m_session;
    const uint64_t m_request;
    asio::any_io_executor m_executor;
};

bool isParseError(const boost::system::error_code& ec) {
    return ec.category() == http::make_error_code(http::error::bad_target).category() &&
           ec != http::error::end_of_stream && ec != http::error::partial_message;
}

}  // namespace

HttpSession::HttpSession(asio::ip::tcp::socket socket, WebListener& listener)
    : m_stream(std::move(socket)),
      m_timer(m_stream.get_executor()),
      m_listener(listener),
      m_buffer(2 * kMaxRequestHeadBytes) {
    boost::system::error_code ec;
    m_peerAddress = m_stream.socket().remote_endpoint(ec).address();
    m_peer = addressText(m_peerAddress);
}

void HttpSession::start() {
    readRequest();
}

void HttpSession::refuseFull() {
    m_holdsPlace = false;
    respond(503, kPlainText, "Too many connections; try again later.\n", true);
}

void HttpSession::readRequest() {
    m_state = State::Reading;
    m_parser.emplace();
    m_parser->header_limit(kMaxRequestHeadBytes);
    if (m_served == 0 || m_buffer.size() > 0) {
        readHead();
        return;
    }
    // Between requests a connection may idle; the next head's own time-out starts with
    // its first bytes.
    arm(kKeepAliveIdle, Wait::Idle);
    m_stream.async_read_some(
        m_buffer.prepare(kReadChunk),
        [self = shared_from_this()](const boost::system::error_code& ec, size_t n) {
            if (self->m_state == State::Closed)
                return;
            self->m_buffer.commit(n);
            if (ec)
                return self->finish();
            self->readHead();
        });
}

void HttpSession::readHead() {
    arm(m_listener.config().web.headTimeout, Wait::Head);
    http::async_read_header(m_stream, m_buffer, *m_parser,
                            [self = shared_from_this()](const boost::system::error_code& ec,
                                                        size_t) { self->onHead(ec); });
}

void HttpSession::onHead(const boost::system::error_code& ec) {
    if (m_state == State::Closed)
        return;
    ++m_timerGeneration;
    m_timer.cancel();
    m_wait = Wait::None;
    m_keepAlive = true;
    m_headOnly = false;
    m_noStore = false;
    if (m_headTimedOut)
        return respond(408, kPlainText, "The request took too long.\n", true);
    if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
        // No line end within the limit: the request line itself is too long.
        const auto data = static_cast<const char*>(m_buffer.data().data());
        const bool lineEnded =
            std::find(data, data + m_buffer.size(), '\n') != data + m_buffer.size();
        if (lineEnded)
            return respond(431, kPlainText, "Request header fields too large.\n", true);
        return respond(414, kPlainText, "Request target too long.\n", true);
    }
    if (isParseError(ec))
        return respond(400, kPlainText, "Bad request.\n", true);
    if (ec)
        return finish();  // the peer left
    route();
}

void HttpSession::route() {
    const auto& request = m_parser->get();
    m_version = request.version();
    m_keepAlive = request.keep_alive();
    m_headOnly = request.method() == http::verb::head;
    const web::Route route = web::route(request.target());
    if (route.kind == web::RouteKind::Socket && beast::websocket::is_upgrade(request))
        return upgrade();
    if (request.method() != http::verb::get && !m_headOnly) {
        respond(405, kPlainText, "Only GET and HEAD are answered here.\n", true);
        return;
    }
    if (!m_parser->is_done())
        return respond(413, kPlainText, "A request here carries no body.\n", true);
    WebPages& pages = m_listener.pages();
    std::optional<std::string> file;
    switch (route.kind) {
        case web::RouteKind::Kiosk:
            file = pages.asset("index.html");
            if (!file)
                return respond(404, kPlainText, "The kiosk page is not installed.\n");
            return respond(200, kHtml, std::move(*file));
        case web::RouteKind::Asset:
        case web::RouteKind::TemplateFile:
            file = route.kind == web::RouteKind::Asset ? pages.asset(route.value)
                                                       : pages.templateFile(route.value);
            if (!file)
                return respond(404, kPlainText, "Not found.\n");
            return respond(200, web::contentType(route.value), std::move(*file));
        case web::RouteKind::Welcome:
            return respond(200, kHtml, pages.page(PageTemplate::Welcome, {}));
        case web::RouteKind::Price:
        case web::RouteKind::ApiPrice:
            return lookUp(route.kind == web::RouteKind::ApiPrice, route.value);
        case web::RouteKind::ProgramPage:
            return programPage(route.value);
        case web::RouteKind::Socket:
            return respond(426, kPlainText, "This address takes a WebSocket.\n");
        case web::RouteKind::BadRequest:
            return respond(400, kPlainText, "Bad request.\n", true);
        case web::RouteKind::NotFound:
            break;
    }
    respond(404, kPlainText, "Not found.\n");
}

void HttpSession::upgrade() {
    const auto& request = m_parser->get();
    if (!web::sameOrigin(request[http::field::origin], request[http::field::host]))
        return respond(403, kPlainText, "Kiosk pages are opened from this server only.\n", true);
    ++m_timerGeneration;
    m_timer.cancel();
    m_state = State::Closed;
    auto kiosk = std::make_shared<KioskSession>(std::move(m_stream), m_listener);
    m_listener.add(kiosk);
    kiosk->start(m_parser->release());
    m_listener.finished(shared_from_this());
}

void HttpSession::lookUp(bool api, const std::string& value) {
    m_api = api;
    const auto code = web::scannedCode(value);
    m_code = code ? toUtf8(*code) : value;
    if (!code) {
        if (api)
            return respond(400, kJson, web::errorJson(m_code, "no code"));
        return respond(400, kHtml,
                       m_listener.pages().page(PageTemplate::Error, {{"code", m_code}}));
    }
    auto outlet =
        std::make_shared<AnswerOutlet>(weak_from_this(), ++m_request, m_stream.get_executor());
    const auto socket = m_listener.registry().addTransient(m_peer, std::move(outlet));
    if (!socket)
        return answer(Answer::Kind::Failed, {}, {});
    m_pendingSocket = *socket;
    m_state = State::Waiting;
    m_listener.registry().pushScan(*socket, 0, *code);
    arm(m_listener.config().web.answerTimeout, Wait::Answer);
}

void HttpSession::programPage(const std::string& path) {
    m_noStore = true;
    if (!m_listener.config().console.allow.allows(m_peerAddress)) {
        m_listener.consoleRefused(m_peerAddress);
        return respond(403, kPlainText, "This address may not read this page.\n", true);
    }
    const uint64_t request = ++m_request;
    const auto id = m_listener.programPages().add(
        path, [session = weak_from_this(), request,
               executor = m_stream.get_executor()](PageRequests::Answer answer) {
            asio::post(executor, [session, request, answer = std::move(answer)]() mutable {
                if (const auto s = session.lock())
                    s->pageAnswered(request, std::move(answer));
            });
        });
    if (!id) {
        m_listener.pageUnanswered();
        return respond(503, kPlainText, "The program is busy; try again later.\n");
    }
    m_pendingPage = *id;
    m_state = State::Waiting;
    arm(m_listener.config().console.answerTimeout, Wait::Page);
}

void HttpSession::pageAnswered(uint64_t request, PageRequests::Answer answer) {
    if (m_state != State::Waiting || request != m_request || m_pendingPage == 0)
        return;
    ++m_timerGeneration;
    m_timer.cancel();
    m_pendingPage = 0;
    respond(static_cast<unsigned>(answer.status), answer.contentType, std::move(answer.body));
}

void HttpSession::dropPendingPage() {
    if (m_pendingPage != 0)
        m_listener.programPages().drop(m_pendingPage);
    m_pendingPage = 0;
}

void HttpSession::answered(const Answer& a) {
    if (m_state != State::Waiting || a.request != m_request)
        return;
    answer(a.kind, a.description, a.price);
}

void HttpSession::answer(Answer::Kind kind, const std::string& description,
                         const std::string& price) {
    ++m_timerGeneration;
    m_timer.cancel();
    if (m_pendingSocket != 0)
        m_listener.registry().remove(m_pendingSocket);
    m_pendingSocket = 0;
    WebPages& pages = m_listener.pages();
    const std::string d = toUtf8(description);
    const std::string p = toUtf8(price);
    switch (kind) {
        case Answer::Kind::Price:
            if (m_api)
                return respond(200, kJson, web::priceJson(m_code, true, d, p));
            return respond(200, kHtml,
                           pages.page(PageTemplate::Price,
                                      {{"code", m_code}, {"description", d}, {"price", p}}));
        case Answer::Kind::NotFound:
            if (m_api)
                return respond(200, kJson, web::priceJson(m_code, false, {}, {}));
            return respond(200, kHtml, pages.page(PageTemplate::NotFound, {{"code", m_code}}));
        case Answer::Kind::Failed:
            break;
    }
    if (m_api)
        return respond(503, kJson, web::errorJson(m_code, "the price cannot be looked up now"));
    respond(503, kHtml, pages.page(PageTemplate::Error, {{"code", m_code}}));
}

void HttpSession::respond(unsigned status, std::string_view type, std::string body, bool close) {
    auto response =
        std::make_shared<Response>(static_cast<http::status>(status), m_version, std::move(body));
    response->set(http::field::content_type, type);
    // Answers change with every scan; the kiosk page's files with every upgrade.
    response->set(http::field::cache_control,
                  m_noStore || type == kHtml || type == kJson ? "no-store" : "no-cache");
    response->set("X-Content-Type-Options", "nosniff");
    if (status == 405)
        response->set(http::field::allow, "GET, HEAD");
    response->keep_alive(m_keepAlive && !close);
    response->prepare_payload();
    m_response = response;
    m_serializer.emplace(*m_response);
    m_state = State::Writing;
    m_stream.expires_after(kResponseWriteTimeout);
    auto done = [self = shared_from_this(), close = !response->keep_alive()](
                    const boost::system::error_code& ec, size_t) { self->onWritten(ec, close); };
    if (m_headOnly)
        http::async_write_header(m_stream, *m_serializer, std::move(done));
    else
        http::async_write(m_stream, *m_serializer, std::move(done));
}

void HttpSession::onWritten(const boost::system::error_code& ec, bool close) {
    if (m_state == State::Closed)
        return;
    m_stream.expires_never();
    m_serializer.reset();
    m_response.reset();
    if (ec)
        return finish();
    ++m_served;
    if (close)
        return lingerAndClose();
    readRequest();
}

// What the peer still sends is read and dropped for a while, so that closing with unread
// data does not reset the connection before the peer has read the response.
void HttpSession::lingerAndClose() {
    boost::system::error_code ignored;
    m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    if (m_wait != Wait::Linger)
        arm(kCloseLinger, Wait::Linger);
    m_buffer.clear();
    m_stream.async_read_some(
        m_buffer.prepare(kReadChunk),
        [self = shared_from_this()](const boost::system::error_code& ec, size_t) {
            if (self->m_state == State::Closed)
                return;
            if (ec)
                return self->finish();
            self->lingerAndClose();
        });
}

void HttpSession::arm(std::chrono::milliseconds after, Wait what) {
    m_wait = what;
    m_headTimedOut = false;
    const uint64_t generation = ++m_timerGeneration;
    m_timer.expires_after(after);
    m_timer.async_wait(
        [self = shared_from_this(), what, generation](const boost::system::error_code& ec) {
            if (ec || self->m_state == State::Closed || self->m_timerGeneration != generation)
                return;
            self->onTimer(what);
        });
}

void HttpSession::onTimer(Wait what) {
    switch (what) {
        case Wait::Head: {
            // The read ends with operation_aborted and answers 408 (onHead).
            m_headTimedOut = true;
            boost::system::error_code ignored;
            m_stream.socket().cancel(ignored);
            break;
        }
        case Wait::Answer:
            // The program is stuck, or its database hangs past its own deadline.
            answer(Answer::Kind::Failed, {}, {});
            break;
        case Wait::Page:
            dropPendingPage();
            m_listener.pageUnanswered();
            respond(503, kPlainText, "The program does not answer.\n");
            break;
        case Wait::Idle:
        case Wait::Linger:
        case Wait::None:
            finish();
            break;
    }
}

void HttpSession::finish() {
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    ++m_timerGeneration;
    m_timer.cancel();
    if (m_pendingSocket != 0)
        m_listener.registry().remove(m_pendingSocket);
    m_pendingSocket = 0;
    dropPendingPage();
    boost::system::error_code ignored;
    m_stream.socket().close(ignored);
    m_listener.finished(shared_from_this());
}

}  // namespace termlink
