#include <stdexcept>

#include <sys/resource.h>

#include <boost/asio/post.hpp>

#include "ServerFixture.h"
#include "termlink/Report.h"

using namespace termlink;
using namespace std::chrono_literals;

namespace {

wire::Bytes header(uint32_t n) {
    return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
            static_cast<uint8_t>(n >> 24)};
}

wire::Bytes raw(uint8_t type, const wire::Bytes& payload) {
    wire::Bytes out = header(static_cast<uint32_t>(payload.size() + 1));
    out.push_back(type);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// The bystander still gets its scan answered.
void expectStillServing(Server& server, TestTerminal& bystander, int32_t socket) {
    ASSERT_TRUE(bystander.send(wire::Scan{9, "123"}));
    char buffer[1024];
    int32_t s = 0, spare = 0, length = 0;
    ASSERT_TRUE(waitUntil([&] { return server.bReceiveBarcode(&s, &spare, buffer, &length); }));
    EXPECT_EQ(s, socket);
    ASSERT_EQ(server.bSendProdNotFound(socket), 1);
    const auto reply = bystander.receiveAs<wire::NotFound>();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->seq, 9u);
}

}  // namespace

class RobustnessTest : public ServerFixture {};

// Every kind of broken input gets Bye(ProtocolError) and a hang-up for that terminal
// alone; the terminal's scans queued before the fault are not handed out.
TEST_F(RobustnessTest, MalformedInputDisconnectsOnlyThatTerminal) {
    int32_t good = 0;
    auto bystander = connect(2, &good);
    wire::Hello hello;
    const wire::Bytes helloFrame = wire::encode(hello);
    const struct {
        const char* why;
        bool handshakeFirst;
        wire::Bytes bytes;
    } cases[] = {
        {"garbage text", false, {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '\r', '\n'}},
        {"garbage after hello", true, {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P'}},
        {"oversized length", true, header(0xFFFFFFFF)},
        {"one past the limit", true, header(static_cast<uint32_t>(kMaxTerminalBody + 1))},
        {"empty frame", true, header(0)},
        {"unknown type", true, raw(0x7E, {})},
        {"server-only type", true, wire::encode(wire::Price{1, "a", "b"})},
        {"scan before hello", false, wire::encode(wire::Scan{1, "123"})},
        {"alive before hello", false, wire::encode(wire::Alive{})},
        {"scan without code", true, raw(0x02, {1, 0, 0, 0})},
        {"reply of the wrong size", true, raw(0x06, {1, 1, 1})},
        {"second hello", true, helloFrame},
        {"bad magic", false,
         raw(0x01, {'N', 'O', 'P', 'E', 1, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        TestTerminal t(server->port());
        ASSERT_TRUE(t.connected());
        if (c.handshakeFirst) {
            ASSERT_GT(t.handshake(), 0);
            ASSERT_TRUE(t.send(wire::Scan{1, "queued before the fault"}));
        }
        ASSERT_TRUE(t.sendRaw(c.bytes));
        EXPECT_EQ(t.expectBye(), wire::ByeReason::ProtocolError);
        ASSERT_TRUE(waitUntil([&] { return count() == 1; }));
    }
    expectStillServing(*server, *bystander, good);
}

TEST_F(RobustnessTest, UnsupportedVersionIsTurnedAway) {
    TestTerminal t(server->port());
    wire::Hello hello;
    hello.version = 1;
    ASSERT_TRUE(t.send(hello));
    EXPECT_EQ(t.expectBye(), wire::ByeReason::UnsupportedVersion);
    EXPECT_EQ(count(), 0);
    TestTerminal later(server->port());  // a later version's Hello, laid out its own way
    ASSERT_TRUE(later.sendRaw(raw(0x01, {'T', 'R', 'F', 'N', 3, 0, 9})));
    const auto versions = later.receiveAs<wire::Versions>();
    ASSERT_TRUE(versions);
    EXPECT_EQ(versions->versions, std::vector<uint16_t>{2});
    EXPECT_EQ(later.expectBye(), wire::ByeReason::UnsupportedVersion);
}

class TimeoutTest : public ServerFixture {
protected:
    void SetUp() override { startServer(600ms, 300ms); }
};

TEST_F(TimeoutTest, SilentTerminalsAreDisconnectedAndTalkingOnesKept) {
    int32_t silentSocket = 0, chattySocket = 0;
    auto silent = connect(2, &silentSocket);
    auto chatty = connect(2, &chattySocket);
    TestTerminal mute(server->port());  // never says Hello
    ASSERT_TRUE(mute.connected());

    // The chatty one sends Alive well within the idle time, as terminals do.
    std::atomic<bool> done{false};
    std::thread keepTalking([&] {
        while (!done) {
            chatty->send(wire::Alive{});
            std::this_thread::sleep_for(100ms);
        }
    });
    EXPECT_EQ(mute.expectBye(5s), wire::ByeReason::HandshakeTimeout);
    EXPECT_EQ(silent->expectBye(5s), wire::ByeReason::IdleTimeout);
    done = true;
    keepTalking.join();
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(server->iTypeTerm(silentSocket), 0);
    expectStillServing(*server, *chatty, chattySocket);
}

// 1100 terminals try at once: 1022 are served, the rest are told the server is full.
TEST_F(RobustnessTest, AcceptsAtMost1022Terminals) {
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 2400) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 2400)
        GTEST_SKIP() << "needs 2400 file descriptors";

    constexpr size_t kAttempts = 1100;
    std::vector<std::unique_ptr<TestTerminal>> terminals;
    for (size_t i = 0; i < kAttempts; ++i) {
        terminals.push_back(std::make_unique<TestTerminal>(server->port()));
        ASSERT_TRUE(terminals.back()->connected()) << i;
        wire::Hello hello;
        ASSERT_TRUE(terminals.back()->send(hello));
    }
    size_t welcomed = 0, full = 0;
    int32_t firstSocket = 0;
    for (auto& t : terminals) {
        const auto m = t->receive();
        ASSERT_TRUE(m);
        if (const auto* w = std::get_if<wire::Welcome>(&*m)) {
            ++welcomed;
            if (firstSocket == 0)
                firstSocket = w->socket;
        } else {
            ASSERT_TRUE(std::holds_alternative<wire::Bye>(*m));
            EXPECT_EQ(std::get<wire::Bye>(*m).reason, wire::ByeReason::ServerFull);
            EXPECT_TRUE(t->waitClosed(5s));
            ++full;
        }
    }
    EXPECT_EQ(welcomed, kMaxTerminals);
    EXPECT_EQ(full, kAttempts - kMaxTerminals);
    EXPECT_EQ(count(), static_cast<int32_t>(kMaxTerminals));
    expectStillServing(*server, *terminals.front(), firstSocket);

    // A place freed is a place offered again.
    terminals.front().reset();
    ASSERT_TRUE(waitUntil([&] { return count() == static_cast<int32_t>(kMaxTerminals) - 1; }));
    ASSERT_TRUE(waitUntil([&] {
        TestTerminal late(server->port());
        return late.handshake() > 0;
    }));
}

// The server and its calls stay sound while terminals come and go and several
// threads poll and send at once.
TEST_F(ServerFixture, ConcurrentCallsWhileTerminalsComeAndGo) {
    constexpr int kClientThreads = 4;
    constexpr int kRoundsPerClient = 25;
    std::atomic<int> clientsDone{0};
    std::atomic<int> scansSent{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClientThreads; ++c) {
        clients.emplace_back([&, c] {
            for (int round = 0; round < kRoundsPerClient; ++round) {
                TestTerminal t(server->port());
                if (t.handshake(round % 3) <= 0)
                    continue;
                for (uint32_t i = 0; i < 3; ++i) {
                    if (t.send(wire::Scan{i, "C" + std::to_string(c) + "-" + std::to_string(i)}))
                        ++scansSent;
                }
                t.send(wire::Response{390, c});
                if (round % 2 == 0)
                    t.receive(20ms);  // sometimes read a reply, sometimes not
            }
            ++clientsDone;
        });
    }
    std::atomic<bool> stop{false};
    std::atomic<int> scansTaken{0};
    std::atomic<bool> badCode{false};
    std::vector<std::thread> pollers;
    pollers.emplace_back([&] {
        char buffer[1024];
        int32_t s = 0, spare = 0, length = 0;
        while (!stop) {
            if (server->bReceiveBarcode(&s, &spare, buffer, &length)) {
                ++scansTaken;
                if (buffer[1] != 'C' || buffer[1 + length] != '\0')
                    badCode = true;
                server->bSendProdPrice(s, "desc", "price");
            }
            int32_t code = 0;
            while (server->GetResponseCtr(&s, &code)) {
            }
            std::this_thread::sleep_for(100us);
        }
    });
    pollers.emplace_back([&] {
        std::vector<uint8_t> table(8196);
        while (!stop) {
            server->GetTabConectados(table.data(), 1);
            for (size_t slot = 0; slot < 1022; ++slot) {
                const int32_t s = table[4 * slot] | table[4 * slot + 1] << 8;
                if (s == 0)
                    continue;
                server->bEnviaVivo(s);
                server->iTypeTerm(s);
                server->bSendImageFromFile(s, "/nonexistent/upd.bmp", 0, 0, 255, 0, 0, 0);
                server->bSendDisplayMsg(s, "a", "b", 4, 1);
            }
            std::this_thread::sleep_for(1ms);
        }
    });
    pollers.emplace_back([&] {
        std::vector<uint8_t> record(214);
        while (!stop) {
            for (int32_t s = 1; s < 40; ++s)
                server->bPedeConfig(s);
            server->bReceiveConfig(record.data());
            server->bReceiveUpdConfig(record.data());
            std::this_thread::sleep_for(1ms);
        }
    });
    for (auto& t : clients)
        t.join();
    EXPECT_EQ(clientsDone, kClientThreads);
    EXPECT_TRUE(waitUntil([&] { return count() == 0; }));
    stop = true;
    for (auto& t : pollers)
        t.join();
    EXPECT_FALSE(badCode);
    EXPECT_LE(scansTaken, scansSent);
    EXPECT_GT(scansTaken, 0);
}

// Stopping mid-traffic closes every terminal and later calls answer 0.
TEST_F(ServerFixture, StopClosesEveryConnection) {
    int32_t socket = 0;
    auto t = connect(2, &socket);
    std::thread flood([&] {
        for (int i = 0; i < 500; ++i)
            t->send(wire::Scan{1, "1"});
    });
    server->stop();
    flood.join();
    EXPECT_TRUE(t->waitClosed(5s));
    EXPECT_EQ(server->bEnviaVivo(socket), 0);
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(server->listen());
    server->stop();  // again: nothing happens
}

// A handler that throws on the network thread is reported, and the thread serves on.
TEST(NetworkThread, ReportsAFailingHandlerAndGoesOn) {
    asio::io_context io;
    bool laterRan = false;
    asio::post(io, [] { throw std::runtime_error("out of memory"); });
    asio::post(io, [&] { laterRan = true; });
    testing::internal::CaptureStderr();
    runReportingFailures(io);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "termlink: network thread: out of memory; serving on\n");
    EXPECT_TRUE(laterRan);
}
