#include "termsim/LatencyStats.h"

#include <gtest/gtest.h>

using namespace termsim;

TEST(LatencyStats, NearestRankPercentiles) {
    std::vector<double> samples;
    for (int i = 100; i >= 1; --i)
        samples.push_back(i);  // unordered on purpose
    EXPECT_EQ(percentile(samples, 50), 50);
    EXPECT_EQ(percentile(samples, 95), 95);
    EXPECT_EQ(percentile(samples, 99), 99);
    EXPECT_EQ(percentile(samples, 100), 100);

    // Few samples: the rank rounds up, so p99 of ten is the largest.
    const std::vector<double> ten = {7, 1, 9, 3, 5, 2, 8, 4, 10, 6};
    EXPECT_EQ(percentile(ten, 50), 5);
    EXPECT_EQ(percentile(ten, 95), 10);
    EXPECT_EQ(percentile({4.5}, 50), 4.5);
    EXPECT_EQ(percentile({}, 99), 0);
}

TEST(LatencyStats, SummaryAndReports) {
    const LatencySummary s = summarize({3, 1, 2, 40});
    EXPECT_EQ(s.p50, 2);
    EXPECT_EQ(s.p95, 40);
    EXPECT_EQ(s.max, 40);
    EXPECT_EQ(summarize({}).max, 0);

    LoadReport r;
    r.terminals = 4;
    r.connected = 3;
    r.scansSent = 12;
    r.found = 8;
    r.notFound = 2;
    r.noReply = 2;
    r.seconds = 2;
    r.latencyMs = s;
    EXPECT_EQ(r.replies(), 10u);
    EXPECT_DOUBLE_EQ(r.throughput(), 5.0);
    const std::string json = formatJson(r);
    EXPECT_NE(json.find("\"replies\":10,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"throughput_per_s\":5.000,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"latency_max_ms\":40.000}"), std::string::npos) << json;
    const std::string text = formatText(r);
    EXPECT_NE(text.find("terminals connected: 3 of 4"), std::string::npos) << text;
    EXPECT_NE(text.find("scans without reply: 2"), std::string::npos) << text;

    LoadReport empty;
    EXPECT_EQ(empty.throughput(), 0);  // no division by a zero duration
}
