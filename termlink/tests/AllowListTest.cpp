#include <gtest/gtest.h>

#include <sstream>

#include "support/TestTerminal.h"
#include "termlink/AllowList.h"
#include "termlink/ConnectionRate.h"
#include "termlink/RefusalLog.h"
#include "termlink/Server.h"

using namespace termlink;
using namespace std::chrono_literals;

TEST(AllowList, MatchesAddressesAgainstNetworksAtTheirPrefixEdges) {
    const struct {
        const char* list;  // nullptr: the default
        const char* allowed;
        const char* refused;
    } cases[] = {
        {nullptr,
         "127.0.0.1 127.255.255.254 10.255.255.255 172.16.0.0 172.31.255.255 192.168.1.1 "
         "169.254.1.1 ::1 fc00::1 fdff:ffff::1 fe80::1 febf:ffff:: ::ffff:192.168.1.1",
         "128.0.0.1 11.0.0.0 172.32.0.0 172.15.255.255 192.169.0.0 8.8.8.8 ::2 fe00:: fec0:: "
         "2001:db8::1 ::ffff:8.8.8.8 ::c0a8:101"},
        {"10.1.2.3/8, 192.0.2.7 ::ffff:198.51.100.0/120,2001:db8::/32\t192.0.2.128/31",
         "10.200.0.1 192.0.2.7 198.51.100.255 ::ffff:198.51.100.1 2001:db8:ffff::1 192.0.2.129",
         "192.0.2.8 198.51.101.0 2001:db9:: 192.0.2.130 127.0.0.1"},
        {"0.0.0.0/0", "203.0.113.9 ::ffff:203.0.113.9", "::1"},
        {"::ffff:0.0.0.0/96", "203.0.113.9 ::ffff:10.1.2.3", "::1 2001:db8::1 ::fffe:a01:203"},
        {"::/0", "2001:db8::9 ::1", "::ffff:203.0.113.9 127.0.0.1"},
    };
    for (const auto& c : cases) {
        const auto list = c.list ? AllowList::parse(c.list) : AllowList::privateNetworks();
        ASSERT_TRUE(list) << c.list;
        for (const bool allowed : {true, false}) {
            std::istringstream peers(allowed ? c.allowed : c.refused);
            for (std::string peer; peers >> peer;)
                EXPECT_EQ(list->allows(asio::ip::make_address(peer)), allowed) << peer;
        }
    }
    EXPECT_EQ(AllowList::privateNetworks().text(),
              "127.0.0.0/8, ::1/128, 10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16, 169.254.0.0/16, "
              "fc00::/7, fe80::/10");
    for (const char* bad : {"", " , ", "10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/8x",
                            "shop-server", "10.0.0.0/-1", "10.0.0.0/8/8", "10.0.0.0/8;"})
        EXPECT_FALSE(AllowList::parse(bad)) << bad;
}

// At most one line per address and minute, and every refusal counted in one of them.
TEST(RefusalLog, TellsTheFirstAtOnceAndTheRestOncePerMinute) {
    RefusalLog log;
    const auto t0 = RefusalLog::Clock::time_point{} + std::chrono::hours(1);
    EXPECT_EQ(log.refused("203.0.113.5", t0),
              "refused connection from 203.0.113.5 (not in allow list), 1 in the last minute");
    EXPECT_EQ(log.refused("203.0.113.5", t0 + std::chrono::seconds(1)), std::nullopt);
    EXPECT_EQ(log.refused("203.0.113.5", t0 + std::chrono::seconds(59)), std::nullopt);
    EXPECT_TRUE(log.refused("2001:db8::7", t0 + std::chrono::seconds(2)));
    EXPECT_TRUE(log.refused("203.0.113.5", t0 + std::chrono::seconds(3), "over connect_rate"));
    EXPECT_EQ(log.nextDue(), t0 + RefusalLog::kPeriod);
    EXPECT_TRUE(log.due(t0 + std::chrono::seconds(59)).empty());
    const auto lines = log.due(t0 + RefusalLog::kPeriod);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0],
              "refused connection from 203.0.113.5 (not in allow list), 2 in the last minute");
    EXPECT_EQ(log.nextDue(), std::nullopt);
    // A minute after the last line, the next refusal is told at once again.
    EXPECT_EQ(log.refused("203.0.113.5", t0 + std::chrono::seconds(90)), std::nullopt);
    EXPECT_TRUE(log.refused("203.0.113.5", t0 + std::chrono::seconds(300)));
}

// `burst` connections at once, then one per interval, per address; a refusal costs nothing.
TEST(ConnectionRate, AdmitsABurstThenTheRatePerAddress) {
    const struct {
        ConnectionRate::Limit limit;
        const char* steps;  // milliseconds, peer, + admitted or - refused
    } cases[] = {
        {{10, 3},
         "0 1.0.0.1 + 0 1.0.0.1 + 0 ::ffff:1.0.0.1 + 0 1.0.0.1 - 0 1.0.0.2 + 99 1.0.0.1 - "
         "100 1.0.0.1 + 100 1.0.0.1 - 400 1.0.0.1 + 400 1.0.0.1 + 400 1.0.0.1 + 400 1.0.0.1 -"},
        {{1, 1}, "0 ::1 + 0 ::1 - 999 ::1 - 1000 ::1 + 1000 ::2 +"},
        {{0, 1}, "0 ::1 + 0 ::1 + 0 ::1 +"},
    };
    const auto t0 = ConnectionRate::Clock::time_point{} + std::chrono::hours(1);
    for (const auto& c : cases) {
        ConnectionRate rate(c.limit);
        std::istringstream steps(c.steps);
        int ms = 0;
        for (std::string peer, verdict; steps >> ms >> peer >> verdict;)
            EXPECT_EQ(rate.admit(asio::ip::make_address(peer), t0 + std::chrono::milliseconds(ms)),
                      verdict == "+")
                << c.steps << ": " << ms << " " << peer;
    }
    ConnectionRate full({1, 1});  // every address busy: newcomers share one bucket for a while
    for (uint32_t i = 0; i < ConnectionRate::kMaxAddresses; ++i)
        full.admit(asio::ip::address_v4(0x0A000000 + i), t0);
    const auto a = asio::ip::make_address("192.0.2.1"), b = asio::ip::make_address("192.0.2.2");
    const auto t1 = t0 + std::chrono::seconds(1);  // all quiet again: each its own bucket
    EXPECT_TRUE(full.admit(a, t0) && !full.admit(b, t0) && full.admit(b, t1) && full.admit(a, t1));
}

// Peers outside the list are closed before Hello, without a Bye, counted, and told once.
TEST(AllowListServer, RefusesPeersOutsideTheListAndAdmitsThoseIn) {
    for (const bool admitted : {false, true}) {
        ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.web.enabled = false;
        config.allow = *AllowList::parse(admitted ? "192.0.2.0/24, 127.0.0.1" : "10.0.0.0/8");
        Server server(config);
        ASSERT_TRUE(server.listen());
        testing::internal::CaptureStderr();
        for (int i = 0; i < 2; ++i) {
            TestTerminal t(server.port());
            ASSERT_TRUE(t.connected());
            if (admitted) {
                EXPECT_GT(t.handshake(), 0);
                continue;
            }
            std::vector<wire::Message> seen;
            EXPECT_TRUE(t.waitClosed(5s, &seen));
            EXPECT_TRUE(seen.empty());
        }
        server.stop();
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  admitted ? ""
                           : "termlink: refused connection from 127.0.0.1 (not in allow list), 1 "
                             "in the last minute\n");
        EXPECT_EQ(server.refusedConnections(), admitted ? 0u : 2u);
    }
}
