#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include <boost/asio.hpp>
#include <gtest/gtest.h>

#include "termsim/Connection.h"
#include "termsim/Runner.h"
#include "support/TempDir.h"
#include "wire/Wire.h"

using namespace termsim;
namespace wire = termlink::wire;
using asio::ip::tcp;

namespace {

// Just enough server for the simulator: welcomes every hello, prices "123"
// (Windows-1252 text), does not know "404", never answers "999", and records
// the response codes it is sent.
struct ServerSettings {
    bool refuse = false;  // answer every hello with Bye(ServerFull)
    bool displayOnWelcome = false;
    std::chrono::milliseconds keepAliveEvery{0};
    uint32_t idleTimeoutMs = 30000;
};

class TinyServer {
public:
    explicit TinyServer(ServerSettings settings = {})
        : m_settings(settings),
          m_acceptor(m_io, tcp::endpoint(asio::ip::address_v4::loopback(), 0)) {
        accept();
        m_thread = std::thread([this] { m_io.run(); });
    }
    ~TinyServer() {
        m_io.stop();
        m_thread.join();
    }
    std::string address() const {
        return "127.0.0.1:" + std::to_string(m_acceptor.local_endpoint().port());
    }
    std::vector<wire::Response> responses() {
        std::lock_guard lock(m_mutex);
        return m_responses;
    }
    int hellos() {
        std::lock_guard lock(m_mutex);
        return m_hellos;
    }
    int alives() {
        std::lock_guard lock(m_mutex);
        return m_alives;
    }

private:
    struct Session : std::enable_shared_from_this<Session> {
        Session(TinyServer& server, tcp::socket socket)
            : server(server), socket(std::move(socket)), timer(server.m_io) {}
        void read() {
            socket.async_read_some(
                asio::buffer(buffer),
                [self = shared_from_this()](boost::system::error_code ec, size_t n) {
                    if (ec)
                        return;
                    std::vector<wire::Frame> frames;
                    if (!self->decoder.feed(std::span(self->buffer.data(), n), frames))
                        return;
                    for (const auto& frame : frames) {
                        if (auto message = wire::decode(frame))
                            self->handle(*message);
                    }
                    self->read();
                });
        }
        void handle(const wire::Message& message) {
            if (std::holds_alternative<wire::Hello>(message)) {
                {
                    std::lock_guard lock(server.m_mutex);
                    ++server.m_hellos;
                }
                if (server.m_settings.refuse) {
                    send(wire::Bye{wire::ByeReason::ServerFull});
                    boost::system::error_code ignored;
                    socket.close(ignored);
                    return;
                }
                send(wire::Welcome{wire::kProtocolVersion, 42, server.m_settings.idleTimeoutMs});
                if (server.m_settings.displayOnWelcome)
                    send(wire::DisplayMsg{"Grande Promo\xE7\xE3o!", "Nao Perca!!", 4, 1});
                if (server.m_settings.keepAliveEvery.count())
                    keepAlive();
            } else if (const auto* scan = std::get_if<wire::Scan>(&message)) {
                if (scan->code == "123")
                    send(wire::Price{scan->seq, "Caf\xE9 torrado", "R$ 1,99"});
                if (scan->code == "404")
                    send(wire::NotFound{scan->seq});
            } else if (std::holds_alternative<wire::Alive>(message)) {
                std::lock_guard lock(server.m_mutex);
                ++server.m_alives;
            } else if (const auto* response = std::get_if<wire::Response>(&message)) {
                std::lock_guard lock(server.m_mutex);
                server.m_responses.push_back(*response);
            }
        }
        void keepAlive() {
            timer.expires_after(server.m_settings.keepAliveEvery);
            timer.async_wait([self = shared_from_this()](boost::system::error_code ec) {
                if (ec)
                    return;
                self->send(wire::Command{wire::Type::KeepAlive});
                self->keepAlive();
            });
        }
        void send(const wire::Message& message) {
            auto bytes = std::make_shared<wire::Bytes>(wire::encode(message));
            boost::system::error_code ignored;
            asio::write(socket, asio::buffer(*bytes), ignored);
        }
        TinyServer& server;
        tcp::socket socket;
        asio::steady_timer timer;
        wire::FrameDecoder decoder{wire::kMaxTerminalBody};
        std::array<uint8_t, 4096> buffer{};
    };

    void accept() {
        m_acceptor.async_accept([this](boost::system::error_code ec, tcp::socket socket) {
            if (ec)
                return;
            std::make_shared<Session>(*this, std::move(socket))->read();
            accept();
        });
    }

    ServerSettings m_settings;
    asio::io_context m_io;
    tcp::acceptor m_acceptor;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<wire::Response> m_responses;
    int m_hellos = 0;
    int m_alives = 0;
};

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult runSim(const std::vector<std::string>& args, int inputFd = -1) {
    std::ostringstream out, err;
    const int status = run(args, {inputFd, out, err});
    return {status, out.str(), err.str()};
}

// A port that nothing listens on: bound without listening, and held, so nothing
// else can take it while the test connects.
struct ClosedPort {
    asio::io_context io;
    tcp::acceptor acceptor{io};
    ClosedPort() {
        acceptor.open(tcp::v4());
        acceptor.bind(tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    }
    std::string address() const {
        return "127.0.0.1:" + std::to_string(acceptor.local_endpoint().port());
    }
};

// Reads an unsigned number after "\"key\":" in a flat JSON object.
long jsonNumber(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos)
        return -1;
    return std::stol(json.substr(at + key.size() + 3));
}

}  // namespace

TEST(Loopback, ScanPrintsOneLinePerCodeAndSucceedsWhenAllAnswered) {
    TinyServer server;
    const RunResult r = runSim({"--server", server.address(), "--scan", "123", "404", "123"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "123\tCafé torrado\tR$ 1,99\n404\tnot found\n123\tCafé torrado\tR$ 1,99\n");
    EXPECT_EQ(r.err, "");
    // Model 2 by default: the terminal asked for its pictures.
    const auto responses = server.responses();
    ASSERT_EQ(responses.size(), 1u);
    EXPECT_EQ(responses[0].code, 392);
}

TEST(Loopback, CodeWithoutReplyFailsTheRunButNotTheOthers) {
    TinyServer server;
    const RunResult r = runSim({"--server", server.address(), "--timeout", "0.3", "--model", "1",
                                "--report", "390/5", "--scan", "999", "404"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "999\tno reply\n404\tnot found\n");
    const auto responses = server.responses();
    ASSERT_EQ(responses.size(), 1u);  // model 1: no 392, only the reported pair
    EXPECT_EQ(responses[0].code, 390);
    EXPECT_EQ(responses[0].second, 5);
}

TEST(Loopback, UnreachableServerAndBadArgumentsExitTwo) {
    const ClosedPort closed;
    const RunResult unreachable = runSim({"--server", closed.address(), "--scan", "123"});
    EXPECT_EQ(unreachable.status, 2);
    EXPECT_EQ(unreachable.out, "");
    EXPECT_NE(unreachable.err.find("cannot connect"), std::string::npos) << unreachable.err;

    const RunResult bad = runSim({"--server", "127.0.0.1:1", "--scan"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--help"), std::string::npos) << bad.err;

    const RunResult help = runSim({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: termsim"), std::string::npos);
}

TEST(Loopback, RefusedTerminalExitsTwoWithTheReason) {
    TinyServer server({.refuse = true});
    const RunResult r = runSim({"--server", server.address(), "--scan", "123"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("refused the terminal: server full"), std::string::npos) << r.err;

    const RunResult idle =
        runSim({"--server", server.address(), "--idle", "--terminals", "2", "--duration", "0.1"});
    EXPECT_EQ(idle.status, 2);
    EXPECT_NE(idle.err.find("no terminal could connect"), std::string::npos) << idle.err;
    EXPECT_NE(idle.err.find("server full"), std::string::npos) << idle.err;
}

namespace {

struct EventCounter : Connection::Listener {
    void onEvent(Connection&, const Event&) override { ++events; }
    void onClosed(Connection&, const std::string& why) override { closed = why; }
    int events = 0;
    std::string closed;
};

}  // namespace

// It learns how often from the idle time-out in the server's Welcome.
TEST(Loopback, SilentTerminalSendsAliveOnItsOwn) {
    TinyServer server({.idleTimeoutMs = 120});
    asio::io_context io;
    EventCounter counter;
    auto connection = std::make_shared<Connection>(io, Terminal(defaultState(1)), counter);
    const auto port = static_cast<asio::ip::port_type>(std::stoi(server.address().substr(10)));
    connection->start({tcp::endpoint(asio::ip::address_v4::loopback(), port)});
    io.run_for(std::chrono::milliseconds(300));
    connection->close();
    EXPECT_EQ(counter.closed, "");
    EXPECT_GE(counter.events, 1);  // the welcome
    // About seven intervals passed; any Alive proves the timer runs, several that it re-arms.
    EXPECT_GE(server.alives(), 3);
    EXPECT_LE(server.alives(), 8);
}

TEST(Loopback, InteractiveReadsCodesAndShowsDisplayMessages) {
    TinyServer server({.displayOnWelcome = true});
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string input = "404\r\n\n123";  // CRLF, a blank line, no final newline
    ASSERT_EQ(::write(fds[1], input.data(), input.size()), ssize_t(input.size()));
    ::close(fds[1]);
    const RunResult r = runSim({"--server", server.address(), "--interactive"}, fds[0]);
    // The caller's descriptor (a shell's terminal, in real use) is left blocking.
    EXPECT_EQ(::fcntl(fds[0], F_GETFL) & O_NONBLOCK, 0);
    ::close(fds[0]);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("display: Grande Promoção! | Nao Perca!! (time 4)\n"), std::string::npos)
        << r.out;
    const size_t notFound = r.out.find("404\tnot found\n");
    const size_t price = r.out.find("123\tCafé torrado\tR$ 1,99\n");
    ASSERT_NE(notFound, std::string::npos) << r.out;
    ASSERT_NE(price, std::string::npos) << r.out;
    EXPECT_LT(notFound, price);
}

TEST(Loopback, LoadRunCountsEveryScan) {
    TinyServer server;
    TempDir dir;
    const auto codes = dir.path() / "codes.txt";
    std::ofstream(codes) << "123\n404\n\n999\n";
    const RunResult r =
        runSim({"--server", server.address(), "--terminals", "4", "--rate", "20", "--duration",
                "0.5", "--timeout", "0.3", "--codes", codes.string(), "--model", "1", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonNumber(r.out, "terminals"), 4) << r.out;
    EXPECT_EQ(jsonNumber(r.out, "connected"), 4) << r.out;
    const long sent = jsonNumber(r.out, "scans_sent");
    const long found = jsonNumber(r.out, "found");
    const long notFound = jsonNumber(r.out, "not_found");
    const long noReply = jsonNumber(r.out, "no_reply");
    // Each terminal waits on "999" for 0.3 s, so it sends fewer than 10 scans.
    EXPECT_GE(sent, 8) << r.out;
    EXPECT_LT(sent, 4 * 10) << r.out;
    EXPECT_EQ(sent, found + notFound + noReply) << r.out;
    EXPECT_GT(found, 0) << r.out;
    EXPECT_GT(notFound, 0) << r.out;
    EXPECT_GT(noReply, 0) << r.out;
    EXPECT_EQ(jsonNumber(r.out, "replies"), found + notFound) << r.out;
}

TEST(Loopback, IdleTerminalsAnswerKeepAlives) {
    TinyServer server({.keepAliveEvery = std::chrono::milliseconds(100)});
    const RunResult r = runSim({"--server", server.address(), "--idle", "--terminals", "3",
                                "--duration", "0.5", "--model", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("terminals connected: 3 of 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("still connected after"), std::string::npos) << r.out;
    const size_t at = r.out.find("keep-alives per terminal: min ");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_GE(std::stoi(r.out.substr(at + 30)), 2) << r.out;
    EXPECT_EQ(server.hellos(), 3);
}

TEST(Loopback, LoadRunWithNoServerExitsTwo) {
    TempDir dir;
    const auto codes = dir.path() / "codes.txt";
    std::ofstream(codes) << "123\n";
    const ClosedPort closed;
    const RunResult r = runSim({"--server", closed.address(), "--terminals", "2", "--duration",
                                "0.2", "--codes", codes.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no terminal could connect"), std::string::npos) << r.err;
}
