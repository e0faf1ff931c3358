// The web side over loopback, with Beast clients: web price checkers, kiosk pages, and
// what hostile peers get.  A thread plays the program: it takes scans and answers "1"
// with a price, "500" with a failed lookup, "hang" with nothing, anything else "not found";
// it answers a request for one of its pages with the page's path, but for /healthz.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

#include <sys/socket.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json.hpp>

#include "base/LittleEndian.h"
#include "support/TempDir.h"
#include "support/TestTerminal.h"
#include "termlink/Server.h"

using namespace termlink;
using namespace std::chrono_literals;
using namespace std::string_literals;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
namespace json = boost::json;
using tcp = boost::asio::ip::tcp;
using Response = http::response<http::string_body>;

namespace {

void connectBounded(tcp::socket& socket, uint16_t port, const std::string& from = {}) {
    if (!from.empty()) {
        socket.open(tcp::v4());
        socket.bind({boost::asio::ip::make_address(from), 0});
    }
    socket.connect({boost::asio::ip::make_address("127.0.0.1"), port});
    const timeval timeout{5, 0};  // no read in these tests waits longer
    ::setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

struct Client {
    explicit Client(uint16_t port, const std::string& from = {}) {
        connectBounded(socket, port, from);
    }
    void send(std::string_view raw) {
        boost::system::error_code ignored;  // the server may answer and close mid-way
        boost::asio::write(socket, boost::asio::buffer(raw), ignored);
    }
    std::optional<Response> get(const std::string& target) {
        send("GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
        return receive();
    }
    std::optional<Response> receive() {
        http::response_parser<http::string_body> parser;
        boost::system::error_code ec;
        http::read(socket, buffer, parser, ec);
        return ec ? std::nullopt : std::optional(parser.release());
    }
    bool closed() {
        char c;
        boost::system::error_code ec;
        socket.read_some(boost::asio::buffer(&c, 1), ec);
        return ec == boost::asio::error::eof || ec == boost::asio::error::connection_reset;
    }
    boost::asio::io_context io;
    tcp::socket socket{io};
    beast::flat_buffer buffer;
};

struct Page {
    explicit Page(uint16_t port, const std::string& origin = {}) {
        connectBounded(ws.next_layer(), port);
        ws.set_option(websocket::stream_base::decorator([origin](websocket::request_type& r) {
            if (!origin.empty())
                r.set(http::field::origin, origin);
        }));
        ws.handshake("127.0.0.1:" + std::to_string(port), "/ws");
    }
    void send(const std::string& text) { ws.write(boost::asio::buffer(text)); }
    json::object receive() {
        beast::flat_buffer b;
        ws.read(b);
        return json::parse(beast::buffers_to_string(b.data())).as_object();
    }
    // The close code the server ended with; 0 when it did not close.
    uint16_t closeCode() {
        beast::flat_buffer b;
        boost::system::error_code ec;
        while (!ec)
            ws.read(b, ec);
        return ec == websocket::error::closed ? ws.reason().code : 0;
    }
    boost::asio::io_context io;
    websocket::stream<tcp::socket> ws{io};
};

void write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "templates");
        write(dir.path() / "index.html", "<title>kiosk</title>");
        write(dir.path() / "kiosk.css", "body{}");
        write(dir.path() / "templates/logo.png", "\x89PNG");
        write(dir.path() / "templates/price.html", "<h1>{{description}}</h1>{{price}}/{{code}}");
        write(dir.path() / "templates/notfound.html", "not found {{code}}");
        write(dir.path() / "templates/error.html", "error {{code}}");
        write(dir.path() / "templates/welcome.html", "welcome");
        start([](ServerConfig&) {});
    }
    void TearDown() override { stopProgram(); }

    void start(const std::function<void(ServerConfig&)>& adjust) {
        stopProgram();
        server.reset();
        ServerConfig config;
        config.address = config.web.address = "127.0.0.1";
        config.port = config.web.port = 0;
        config.idleTimeout = 1500ms;
        config.web.assets = dir.path().string();
        config.web.templates = (dir.path() / "templates").string();
        config.web.answerTimeout = config.web.headTimeout = 500ms;
        adjust(config);
        server = std::make_unique<Server>(config);
        ASSERT_TRUE(server->listen());
        port = server->webPort();
        ASSERT_NE(port, 0);
        running = true;
        program = std::thread([this] { playProgram(); });
    }
    void playProgram() {
        while (running) {
            int32_t socket = 0, spare = 0, length = 0;
            char buffer[TERMLINK_BARCODE_BUFFER_SIZE];
            if (server->bReceivePageRequest(&socket, buffer) && buffer != "/healthz"s)
                server->bSendPage(socket, 200, "text/x-page", buffer, int32_t(strlen(buffer)));
            if (!server->bReceiveBarcode(&socket, &spare, buffer, &length)) {
                std::this_thread::sleep_for(1ms);
                continue;
            }
            const std::string code(buffer + 1, static_cast<size_t>(length));
            {
                std::lock_guard lock(mutex);
                scans.emplace_back(socket, code);
            }
            if (code == "1")
                server->bSendProdPrice(socket, "Caf\xE9 <b>", "R$1,00");
            else if (code == "500")
                server->bSendLookupFailed(socket);
            else if (code != "hang")
                server->bSendProdNotFound(socket);
        }
    }
    void stopProgram() {
        running = false;
        if (program.joinable())
            program.join();
    }
    std::pair<int32_t, std::string> lastScan() {
        std::lock_guard lock(mutex);
        return scans.empty() ? std::pair<int32_t, std::string>() : scans.back();
    }

    TempDir dir;
    std::unique_ptr<Server> server;
    uint16_t port = 0;
    std::thread program;
    std::atomic<bool> running{false};
    std::mutex mutex;
    std::vector<std::pair<int32_t, std::string>> scans;
};

TEST_F(WebServerTest, AnswersWebPriceCheckersThroughTheScanQueue) {
    const std::string longCode(10000, '7');
    const struct {
        std::string target;
        unsigned status;
        std::string body;  // "" for bodies not compared
        std::string type;
    } cases[] = {
        {"/price?code=1", 200, "<h1>Caf\xC3\xA9 &lt;b&gt;</h1>R$1,00/1",
         "text/html; charset=utf-8"},
        {"/api/price?barcode=1", 200,
         R"({"code":"1","found":true,"description":"Café <b>","price":"R$1,00"})",
         "application/json"},
        {"/price/404", 200, "not found 404", "text/html; charset=utf-8"},
        {"/api/price?code=404", 200, R"({"code":"404","found":false,"description":"","price":""})",
         "application/json"},
        {"/price?code=500", 503, "error 500", "text/html; charset=utf-8"},
        {"/api/price?code=500", 503,
         R"({"code":"500","error":"the price cannot be looked up now"})", "application/json"},
        {"/price?code=hang", 503, "error hang", "text/html; charset=utf-8"},
        {"/price/%3Cscript%3E%22'%01", 200, "not found &lt;script&gt;&quot;&#39;\x01", ""},
        {"/price?code=" + longCode, 200, "not found " + longCode.substr(0, 1022), ""},
        {"/price?code=%00", 400, "error \0"s, ""},
        {"/price?code=", 400, "error ", ""},
        {"/welcome", 200, "welcome", "text/html; charset=utf-8"},
        {"/", 200, "<title>kiosk</title>", "text/html; charset=utf-8"},
        {"/kiosk.css", 200, "body{}", "text/css; charset=utf-8"},
        {"/templates/logo.png", 200, "\x89PNG", "image/png"},
        {"/templates/price.html", 200, "<h1>{{description}}</h1>{{price}}/{{code}}", ""},
        {"/missing.js", 404, "", ""},
    };
    Client client(port);  // one connection, kept alive throughout
    for (const auto& c : cases) {
        const auto response = client.get(c.target);
        ASSERT_TRUE(response) << c.target;
        EXPECT_EQ(response->result_int(), c.status) << c.target;
        if (!c.body.empty()) {
            EXPECT_EQ(response->body(), c.body) << c.target;
        }
        if (!c.type.empty()) {
            EXPECT_EQ((*response)[http::field::content_type], c.type) << c.target;
        }
    }
    // The program saw the long code cut as a terminal's, from a socket value that no table
    // slot shows, whose address it can still ask for once the request has gone.
    const auto [socket, code] = lastScan();
    EXPECT_EQ(code, longCode.substr(0, 1022));
    EXPECT_GE(socket, 1024);
    char address[TERMLINK_ADDRESS_BUFFER_SIZE] = {};
    EXPECT_EQ(server->bTermAddress(socket, address), 1);
    EXPECT_STREQ(address, "127.0.0.1");
    EXPECT_EQ(server->bSendProdNotFound(socket), 0);
    std::vector<uint8_t> table(TERMLINK_TABSOCK_SIZE);
    server->GetTabConectados(table.data(), 1);
    EXPECT_EQ(tarifon::le::readI32(&table[8192]), 0);
}

TEST_F(WebServerTest, HostileRequestsGetTheirStatusAndTheConnectionClosed) {
    const std::string upgrade =
        "GET /ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
    const struct {
        std::string request;
        unsigned status;
        bool closed;
    } cases[] = {
        {"GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n", 414, true},
        {"GET / HTTP/1.1\r\nHost: x\r\nX: " + std::string(20000, 'a') + "\r\n\r\n", 431, true},
        {"POST /price?code=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc", 405, true},
        {"GET /price?code=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc", 413, true},
        {"GET / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 413, true},
        {"GET / HTTP/1.1\r\nHost: x\r\n", 408, true},  // and then nothing
        {"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 400, true},
        {"GET /../../../etc/passwd HTTP/1.1\r\nHost: x\r\n\r\n", 404, false},
        {"GET /templates/ HTTP/1.1\r\nHost: x\r\n\r\n", 404, false},
        {"GET /a%zz HTTP/1.1\r\nHost: x\r\n\r\n", 400, true},
        {upgrade + "Origin: http://evil.example\r\n\r\n", 403, true},
        {"GET /ws HTTP/1.1\r\nHost: x\r\n\r\n", 426, false},
    };
    for (const auto& c : cases) {
        Client client(port);
        client.send(c.request);
        const auto response = client.receive();
        const std::string what = c.request.substr(0, 40);
        ASSERT_TRUE(response) << what;
        EXPECT_EQ(response->result_int(), c.status) << what;
        EXPECT_EQ(response->body().find("root:"), std::string::npos) << what;
        if (c.closed) {
            EXPECT_TRUE(client.closed()) << what;
        }
    }
    EXPECT_EQ(Client(port).get("/price?code=1")->result_int(), 200u);
}

TEST_F(WebServerTest, LimitsWhoConnectsAndHowMany) {
    start([](ServerConfig& c) { c.web.maxConnections = 2; });
    auto first = std::make_unique<Client>(port);
    Client second(port);
    ASSERT_EQ(second.get("/welcome")->result_int(), 200u);  // both hold their places
    Client third(port);
    EXPECT_EQ(third.receive()->result_int(), 503u);
    EXPECT_TRUE(third.closed());
    first.reset();
    EXPECT_TRUE(waitUntil([&] { return Client(port).get("/welcome")->result_int() == 200; }));

    // The web side set to the terminals' port does not take it from them.
    const uint16_t terminals = server->port();
    stopProgram();
    server.reset();
    ServerConfig same;
    same.address = same.web.address = "127.0.0.1";
    same.port = same.web.port = terminals;
    Server both(same);
    EXPECT_TRUE(both.listen());
    EXPECT_EQ(both.webPort(), 0);

    start([](ServerConfig& c) { c.allow = *AllowList::parse("10.0.0.0/8"); });
    testing::internal::CaptureStderr();
    Client outsider(port);
    EXPECT_TRUE(outsider.closed());
    EXPECT_TRUE(waitUntil([&] { return server->refusedConnections() == 1; }));
    server->stop();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("refused connection from 127.0.0.1"),
              std::string::npos);
    // One rate per address whichever port it comes to: a terminal's connection uses up
    // what would have let a browser in.
    start([](ServerConfig& c) { c.connectLimit = {1, 1}; });
    Client terminal(server->port());
    Client browser(port);
    EXPECT_TRUE(browser.closed());
    EXPECT_EQ(server->rateRefusedConnections(), 1u);
}

TEST_F(WebServerTest, AKioskPageIsATerminal) {
    Page page(port);
    const json::object welcome = page.receive();
    EXPECT_EQ(welcome.at("type"), "welcome");
    EXPECT_EQ(welcome.at("idleTimeoutMs"), 1500);
    const auto socket = static_cast<int32_t>(welcome.at("socket").as_int64());
    std::vector<uint8_t> table(TERMLINK_TABSOCK_SIZE);
    server->GetTabConectados(table.data(), 1);
    EXPECT_EQ(tarifon::le::readI32(&table[0]), socket);
    EXPECT_EQ((std::vector<uint8_t>(&table[4096], &table[4100])),
              (std::vector<uint8_t>{127, 0, 0, 1}));
    EXPECT_EQ(server->iTypeTerm(socket), TERMLINK_MODEL_BROWSER);

    page.send(R"({"type":"response","code":392})");
    int32_t from = 0, code = 0;
    EXPECT_TRUE(waitUntil([&] { return server->GetResponseCtr(&from, &code) != 0; }));
    EXPECT_EQ(std::pair(from, code), std::pair(socket, 392));

    page.send(R"({"type":"scan","code":"1\r\n","seq":77})");
    EXPECT_EQ(page.receive(), (json::object{{"type", "price"},
                                            {"seq", 77},
                                            {"description", "Caf\xC3\xA9 <b>"},
                                            {"price", "R$1,00"}}));
    page.send(R"({"type":"scan","code":"500","seq":78})");
    EXPECT_EQ(page.receive(), (json::object{{"type", "failed"}, {"seq", 78}}));

    EXPECT_EQ(server->bSendDisplayMsg(socket, "Oferta", "Caf\xE9", 4, 1), 1);
    EXPECT_EQ(page.receive().at("line2"), "Caf\xC3\xA9");
    EXPECT_EQ(server->bPedeConfig(socket), 1);
    EXPECT_EQ(page.receive().at("type"), "getNetConfig");
    page.send(
        R"({"type":"netConfig","text1":"Ol\u00e1","text2":"","text3":"","text4":"","time":5})");
    uint8_t record[TERMLINK_NET_CONFIG_SIZE] = {};
    EXPECT_TRUE(waitUntil([&] { return server->bReceiveConfig(record) != 0; }));
    EXPECT_EQ(tarifon::le::readI32(record), socket);
    EXPECT_STREQ(reinterpret_cast<const char*>(record + 4), "127.0.0.1");   // server
    EXPECT_STREQ(reinterpret_cast<const char*>(record + 26), "127.0.0.1");  // page
    EXPECT_STREQ(reinterpret_cast<const char*>(record + 70), "Ol\xE1");     // text 1
    uint8_t extras[TERMLINK_PARAM_SIZE] = {};
    tarifon::le::write32(extras, static_cast<uint32_t>(socket));
    EXPECT_EQ(server->bMandaParam(extras), 0);  // a browser has none

    write(dir.path() / "a.png", "\x89PNG\r\n\x1A\n-");
    write(dir.path() / "b.tif", "II*\0"s);
    const auto png = (dir.path() / "a.png").string(), tif = (dir.path() / "b.tif").string();
    EXPECT_EQ(server->bSendImageFromFile(socket, tif.c_str(), 128, 64, 2, 1, 1, 1), 0);
    EXPECT_EQ(server->bSendImageFromFile(socket, png.c_str(), 128, 64, 1, 2, 3, 1), 1);
    EXPECT_EQ(page.receive(), (json::object{{"type", "picture"},
                                            {"kind", "uploadPicture"},
                                            {"index", 1},
                                            {"loop", 2},
                                            {"pause", 3},
                                            {"mime", "image/png"},
                                            {"data", "iVBORw0KGgot"}}));
    page.ws.close(websocket::close_code::normal);
    EXPECT_TRUE(waitUntil([&] { return server->iTypeTerm(socket) == 0; }));
}

TEST_F(WebServerTest, HostilePagesAreClosedWithTheirCode) {
    const struct {
        std::string message;
        bool binary;
        uint16_t code;
    } cases[] = {
        {std::string(17 * 1024, ' ') + "{}", false, 1009},
        {"{\"type\":", false, 1007},
        {R"({"type":"scan","code":""})", false, 1007},
        {"{}", true, 1003},
        {"", false, 4000},  // nothing at all for the idle time-out
    };
    for (const auto& c : cases) {
        Page page(port);
        page.receive();
        if (!c.message.empty()) {
            page.ws.binary(c.binary);
            page.send(c.message);
        }
        EXPECT_EQ(page.closeCode(), c.code) << c.message.substr(0, 20);
    }
    EXPECT_THROW(Page(port, "http://evil.example"), boost::system::system_error);
    std::vector<uint8_t> table(TERMLINK_TABSOCK_SIZE);
    EXPECT_TRUE(waitUntil([&] {
        server->GetTabConectados(table.data(), 1);
        return tarifon::le::readI32(&table[8192]) == 0;
    }));
}

TEST_F(WebServerTest, ForwardsTheProgramsPagesToTheConsoleAllowListOnly) {
    start([](ServerConfig& c) {
        c.console.allow = *AllowList::parse("127.0.0.1");
        c.console.answerTimeout = 300ms;
    });
    Client local(port);
    const auto page = local.get("/status?x=1");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->result_int(), 200);
    EXPECT_EQ(page->body(), "/status");
    EXPECT_EQ((*page)[http::field::content_type], "text/x-page");
    const auto unanswered = local.get("/healthz");  // the program hangs
    ASSERT_TRUE(unanswered);
    EXPECT_EQ(unanswered->result_int(), 503);

    Client other(port, "127.0.0.2");
    const auto refused = other.get("/metrics");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->result_int(), 403);
    Client priceFromThere(port, "127.0.0.2");  // still a shop's device for the price pages
    EXPECT_EQ(priceFromThere.get("/price/1")->result_int(), 200);

    uint64_t counters[TERMLINK_COUNTERS] = {};
    ASSERT_TRUE(server->bReadCounters(counters));
    EXPECT_EQ(counters[TERMLINK_COUNTER_CONSOLE_REFUSED], 1u);
    EXPECT_EQ(counters[TERMLINK_COUNTER_PAGES_UNANSWERED], 1u);
    EXPECT_EQ(counters[TERMLINK_COUNTER_REFUSED], 0u);
}
