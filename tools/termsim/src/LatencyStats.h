#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace termsim {

// Nearest-rank percentile of samples (any order); 0 for no samples.
double percentile(std::vector<double> samples, double percent);

struct LatencySummary {
    double p50 = 0, p95 = 0, p99 = 0, max = 0;
};
LatencySummary summarize(std::vector<double> samplesMs);

// What a load run reports.
struct LoadReport {
    int terminals = 0;
    int connected = 0;
    int disconnected = 0;  // lost during the run
    uint64_t scansSent = 0;
    uint64_t found = 0;
    uint64_t notFound = 0;
    uint64_t failed = 0;  // web answers that the price cannot be looked up now
    uint64_t noReply = 0;
    double seconds = 0;
    LatencySummary latencyMs;

    uint64_t replies() const { return found + notFound; }
    double throughput() const { return seconds > 0 ? double(replies()) / seconds : 0; }
};

struct IdleReport {
    int terminals = 0;
    int connected = 0;
    int stillConnected = 0;
    uint64_t keepAlivesMin = 0;  // over the terminals still connected
    uint64_t keepAlivesMax = 0;
    double seconds = 0;
};

std::string formatText(const LoadReport& report);
std::string formatJson(const LoadReport& report);
std::string formatText(const IdleReport& report);
std::string formatJson(const IdleReport& report);

}  // namespace termsim
