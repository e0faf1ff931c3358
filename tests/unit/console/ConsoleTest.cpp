#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "console/ConsolePages.h"

using namespace tarifon::console;
using namespace std::chrono_literals;

namespace {

const Clock::time_point kNoon = Clock::from_time_t(1'765'281'600);  // a whole minute

bool has(const std::string& text, const std::string& line) {
    return text.find(line) != std::string::npos;
}

}  // namespace

TEST(ConsoleTest, MetricsPassPromtoolAndMoveWithAScan) {
    Stats stats(kNoon);
    const std::string found = "tarifon_scans_total{outcome=\"found\",transport=\"http\"} ";
    EXPECT_TRUE(has(metricsPage(stats, {}).body, found + "0\n"));
    stats.scan(1024, Transport::Http, "789", Outcome::Found, "x", 3ms, kNoon);
    stats.pictureDistribution("started");
    const std::string after = metricsPage(stats, {{}, 2, "1.2\"3"}).body;
    EXPECT_TRUE(has(after, found + "1\n"));
    EXPECT_TRUE(has(after, "tarifon_lookup_duration_seconds_bucket{le=\"0.0025\"} 0\n"));
    EXPECT_TRUE(has(after, "tarifon_lookup_duration_seconds_bucket{le=\"0.005\"} 1\n"));
    EXPECT_TRUE(has(after, "tarifon_lookup_duration_seconds_bucket{le=\"+Inf\"} 1\n"));
    EXPECT_TRUE(has(after, "tarifon_build_info{version=\"1.2\\\"3\"} 1\n"));

    const auto file = std::filesystem::temp_directory_path() / "tarifon-metrics.txt";
    std::ofstream(file) << after;
    if (!std::filesystem::exists("/usr/bin/promtool"))
        GTEST_SKIP() << "promtool is not installed";
    const std::string command = "/usr/bin/promtool check metrics < " + file.string() + " 2>&1";
    FILE* promtool = ::popen(command.c_str(), "r");
    ASSERT_NE(promtool, nullptr);
    std::string said;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, promtool))
        said += chunk;
    EXPECT_EQ(::pclose(promtool), 0) << said;
    EXPECT_EQ(said, "");
}

TEST(ConsoleTest, HealthFollowsTheServerAndTheLastDatabaseAccess) {
    const struct {
        bool listening;
        std::vector<bool> accesses;
        int status;
        std::string body;
    } cases[] = {
        {true, {}, 200, "ok\n"},
        {true, {true, false}, 503, "the last database access failed: down now\n"},
        {true, {false, true}, 200, "ok\n"},
        {false, {true}, 503, "the terminal server is not listening\n"},
    };
    for (const auto& c : cases) {
        Stats stats(kNoon);
        for (const bool ok : c.accesses)
            stats.databaseAccess({ok, ok ? "" : "down\nnow", kNoon});
        const Page page = healthPage(stats, c.listening);
        EXPECT_EQ(page.status, c.status);
        EXPECT_EQ(page.body, c.body);
    }
}

TEST(ConsoleTest, StatusPageEscapesEveryValueAndKeepsOnlyTheLastHour) {
    Stats stats(kNoon);
    stats.terminalsListed({{7, "10.0.0.<7>", 2}}, kNoon);
    stats.scan(7, Transport::Tcp, "<b>", Outcome::Found, "A&B  R$1", 1ms, kNoon);
    stats.scan(7, Transport::Tcp, "2", Outcome::NotFound, "", 1ms, kNoon + 61min);
    stats.logLine("<script>", kNoon);
    const auto minutes = stats.scansPerMinute(kNoon + 61min);
    EXPECT_EQ(minutes.back(), 1u);  // the scan of an hour ago has left the chart
    EXPECT_EQ(std::accumulate(minutes.begin(), minutes.end(), uint64_t{0}), 1u);

    ConsoleTexts texts;
    texts.notFound = "N<F>";
    const std::string html =
        statusPage(stats, {"C:\\<db>", {{"<x>", 3}}, kNoon + 61min}, texts).body;
    for (const std::string raw : {"<7>", "<script>", "<db>", "<x>", "N<F>"})
        EXPECT_FALSE(has(html, raw)) << raw;
    EXPECT_TRUE(has(html, "10.0.0.&lt;7&gt;"));
    EXPECT_TRUE(has(html, "N&lt;F&gt;"));  // the last scan's answer
}
