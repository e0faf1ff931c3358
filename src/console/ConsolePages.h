#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <termlink.h>

#include "console/ConsoleStats.h"

// The pages the terminal library serves for the program on its web port: the status page
// (HTML in the window's language), the metrics (Prometheus text exposition) and the health
// check.  Pure functions of what the program knows.
namespace tarifon::console {

struct Page {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The status page's texts, UTF-8: the language file's [STATUS] section.  `language` is the
// page's lang attribute.
struct ConsoleTexts {
    std::string language;
    std::string title;
    std::string terminals;
    std::string noTerminals;
    std::string address;
    std::string model;
    std::string transport;
    std::string connectedSince;
    std::string lastScan;
    std::string answer;
    std::string chart;
    std::string counts;
    std::string found;
    std::string notFound;
    std::string failed;
    std::string database;
    std::string path;
    std::string lastResult;
    std::string ok;
    std::string noAccess;
    std::string topNotFound;
    std::string code;
    std::string times;
    std::string eventLog;
    std::string started;
};

// What the terminal library counts, read with one call (TERMLINK_COUNTER_*).
using LibraryCounters = std::array<uint64_t, TERMLINK_COUNTERS>;

struct StatusFacts {
    std::string databasePath;                                // UTF-8
    std::vector<std::pair<std::string, uint64_t>> notFound;  // the most frequent first
    Clock::time_point now;
};

inline constexpr int kStatusRefreshSeconds = 10;
inline constexpr size_t kTopNotFound = 20;

Page statusPage(const Stats& stats, const StatusFacts& facts, const ConsoleTexts& texts);

struct MetricsFacts {
    LibraryCounters library{};
    uint64_t notFoundCodes = 0;  // distinct codes in the not-found report
    std::string version;
};
Page metricsPage(const Stats& stats, const MetricsFacts& facts);

// 200 while the terminal server listens and no database access failed since the last one
// that succeeded; 503 with the reason on one line otherwise.
Page healthPage(const Stats& stats, bool listening);

// The page for a path the library forwarded; 404 for one of none of them.
struct PageInputs {
    const Stats& stats;
    const ConsoleTexts& texts;
    bool listening = false;
    // Called only for the page that needs them.
    std::function<StatusFacts()> statusFacts;
    std::function<MetricsFacts()> metricsFacts;
};
Page page(std::string_view path, const PageInputs& inputs);

}  // namespace tarifon::console
