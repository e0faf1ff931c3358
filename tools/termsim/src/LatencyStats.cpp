#include "termsim/LatencyStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace termsim {

namespace {

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

}  // namespace

double percentile(std::vector<double> samples, double percent) {
    if (samples.empty())
        return 0;
    const double rank = std::ceil(percent / 100.0 * double(samples.size()));
    const size_t index = std::clamp<size_t>(rank < 1 ? 0 : size_t(rank) - 1, 0, samples.size() - 1);
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(index),
                     samples.end());
    return samples[index];
}

LatencySummary summarize(std::vector<double> samplesMs) {
    LatencySummary s;
    if (samplesMs.empty())
        return s;
    std::sort(samplesMs.begin(), samplesMs.end());
    s.p50 = percentile(samplesMs, 50);
    s.p95 = percentile(samplesMs, 95);
    s.p99 = percentile(samplesMs, 99);
    s.max = samplesMs.back();
    return s;
}

std::string formatText(const LoadReport& r) {
    std::string out;
    out += "terminals connected: " + std::to_string(r.connected) + " of " +
           std::to_string(r.terminals);
    if (r.disconnected)
        out += " (" + std::to_string(r.disconnected) + " lost during the run)";
    out += "\nscans sent: " + std::to_string(r.scansSent);
    out += "\nreplies: " + std::to_string(r.replies()) + " (found " + std::to_string(r.found) +
           ", not found " + std::to_string(r.notFound) + ")";
    if (r.failed)
        out += "\nlookups failed: " + std::to_string(r.failed);
    out += "\nscans without reply: " + std::to_string(r.noReply);
    out +=
        "\nthroughput: " + number(r.throughput()) + " replies/s over " + number(r.seconds) + " s";
    out += "\nlatency ms: p50 " + number(r.latencyMs.p50) + ", p95 " + number(r.latencyMs.p95) +
           ", p99 " + number(r.latencyMs.p99) + ", max " + number(r.latencyMs.max) + "\n";
    return out;
}

std::string formatJson(const LoadReport& r) {
    return "{\"terminals\":" + std::to_string(r.terminals) +
           ",\"connected\":" + std::to_string(r.connected) +
           ",\"disconnected\":" + std::to_string(r.disconnected) +
           ",\"scans_sent\":" + std::to_string(r.scansSent) +
           ",\"replies\":" + std::to_string(r.replies()) + ",\"found\":" + std::to_string(r.found) +
           ",\"not_found\":" + std::to_string(r.notFound) +
           ",\"failed\":" + std::to_string(r.failed) +
           ",\"no_reply\":" + std::to_string(r.noReply) + ",\"duration_s\":" + number(r.seconds) +
           ",\"throughput_per_s\":" + number(r.throughput()) +
           ",\"latency_p50_ms\":" + number(r.latencyMs.p50) +
           ",\"latency_p95_ms\":" + number(r.latencyMs.p95) +
           ",\"latency_p99_ms\":" + number(r.latencyMs.p99) +
           ",\"latency_max_ms\":" + number(r.latencyMs.max) + "}\n";
}

std::string formatText(const IdleReport& r) {
    return "terminals connected: " + std::to_string(r.connected) + " of " +
           std::to_string(r.terminals) + "\nstill connected after " + number(r.seconds) +
           " s: " + std::to_string(r.stillConnected) + "\nkeep-alives per terminal: min " +
           std::to_string(r.keepAlivesMin) + ", max " + std::to_string(r.keepAlivesMax) + "\n";
}

std::string formatJson(const IdleReport& r) {
    return "{\"terminals\":" + std::to_string(r.terminals) +
           ",\"connected\":" + std::to_string(r.connected) +
           ",\"still_connected\":" + std::to_string(r.stillConnected) +
           ",\"keepalives_min\":" + std::to_string(r.keepAlivesMin) +
           ",\"keepalives_max\":" + std::to_string(r.keepAlivesMax) +
           ",\"duration_s\":" + number(r.seconds) + "}\n";
}

}  // namespace termsim
