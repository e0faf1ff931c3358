#include "termsim/Options.h"

#include <gtest/gtest.h>

using namespace termsim;

namespace {

tarifon::Result<Options> parse(std::vector<std::string> args) {
    return parseArguments(args);
}

}  // namespace

TEST(Options, ScanModeWithItsSettings) {
    auto r = parse({"--server", "localhost:4711", "--scan", "789", "Café", "--timeout", "0.5",
                    "--model", "1", "--report", "390/5", "--mac", "02:00:00:00:00:2a"});
    ASSERT_TRUE(r) << r.error();
    const Options& o = r.value();
    EXPECT_EQ(o.mode, Mode::Scan);
    EXPECT_EQ(o.host, "localhost");
    EXPECT_EQ(o.port, 4711);
    EXPECT_EQ(o.codes, (std::vector<std::string>{"789", "Café"}));
    EXPECT_DOUBLE_EQ(o.timeout, 0.5);
    EXPECT_EQ(o.model, 1);
    ASSERT_TRUE(o.report);
    EXPECT_EQ(o.report->code, 390);
    EXPECT_EQ(o.report->second, 5);
    EXPECT_EQ(o.mac, (MacAddress{2, 0, 0, 0, 0, 0x2a}));
}

TEST(Options, ModesAndDefaults) {
    auto listen = parse({"--server", "[::1]:9000"});
    ASSERT_TRUE(listen) << listen.error();
    EXPECT_EQ(listen.value().mode, Mode::Listen);
    EXPECT_EQ(listen.value().host, "::1");
    EXPECT_DOUBLE_EQ(listen.value().timeout, 5.0);
    EXPECT_FALSE(listen.value().report);

    auto load = parse({"--server", "h:1", "--terminals", "1022", "--rate", "2.5", "--duration",
                       "10", "--codes", "c.txt", "--json"});
    ASSERT_TRUE(load) << load.error();
    EXPECT_EQ(load.value().mode, Mode::Load);
    EXPECT_EQ(load.value().terminals, 1022);
    EXPECT_DOUBLE_EQ(load.value().rate, 2.5);

    auto idle = parse({"--server", "h:1", "--idle", "--terminals", "3", "--duration", "1"});
    ASSERT_TRUE(idle) << idle.error();
    EXPECT_EQ(idle.value().mode, Mode::Idle);

    auto report = parse({"--server", "h:1", "--report", "392"});
    ASSERT_TRUE(report);
    EXPECT_FALSE(report.value().report->second);

    auto help = parse({"--help"});  // needs nothing else
    ASSERT_TRUE(help);
    EXPECT_TRUE(help.value().help);
}

TEST(Options, RejectsBadArgumentsWithAReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--scan", "1"}, "--server"},
        {{"--server", "h"}, "HOST:PORT"},
        {{"--server", "h:0"}, "HOST:PORT"},
        {{"--server", "h:70000"}, "HOST:PORT"},
        {{"--server", "::1:80"}, "HOST:PORT"},
        {{"--server", "h:1", "--scan"}, "at least one code"},
        {{"--server", "h:1", "--scan", "--timeout", "1"}, "at least one code"},
        {{"--server", "h:1", "--scan", std::string(1023, '7')}, "1022"},
        {{"--server", "h:1", "--timeout", "0"}, "seconds"},
        {{"--server", "h:1", "--timeout", "nan"}, "seconds"},
        {{"--server", "h:1", "--timeout"}, "needs a value"},
        {{"--server", "h:1", "--model", "2x"}, "whole number"},
        {{"--server", "h:1", "--report", "390/"}, "CODE"},
        {{"--server", "h:1", "--mac", "02:00:00:00:00"}, "MAC"},
        {{"--server", "h:1", "--frobnicate"}, "unknown argument"},
        {{"--server", "h:1", "--scan", "1", "--interactive"}, "choose one"},
        {{"--server", "h:1", "--terminals", "2", "--codes", "c"}, "--duration"},
        {{"--server", "h:1", "--terminals", "0", "--duration", "1"}, "number of terminals"},
        {{"--server", "h:1", "--terminals", "2", "--duration", "1"}, "--codes"},
        {{"--server", "h:1", "--terminals", "2", "--duration", "1", "--codes", "c", "--state", "s"},
         "one terminal"},
        {{"--server", "h:1", "--idle", "--duration", "1", "--codes", "c"}, "--idle"},
        {{"--server", "h:1", "--scan", "1", "--json"}, "--json"},
        {{"--server", "h:1", "--scan", "1", "--rate", "3"}, "--terminals"},
        {{"--server", "h:1", "--idle", "--duration", "1", "--transport", "tcp"}, "wire, http"},
        {{"--server", "h:1", "--idle", "--duration", "1", "--transport", "http"},
         "use --transport"},
        {{"--server", "h:1", "--scan", "1", "--transport", "ws"}, "--terminals and --idle"},
    };
    for (const auto& [args, expected] : cases) {
        auto r = parse(args);
        std::string joined;
        for (const auto& a : args)
            joined += a.substr(0, 20) + ' ';
        ASSERT_FALSE(r) << joined;
        EXPECT_NE(r.error().find(expected), std::string::npos) << joined << "-> " << r.error();
    }
}
