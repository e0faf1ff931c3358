#include "console/ConsolePages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <type_traits>

#include "base/HtmlEscape.h"

namespace tarifon::console {

namespace {

constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr std::string_view kPlain = "text/plain; charset=utf-8";
constexpr std::string_view kMetrics = "text/plain; version=0.0.4; charset=utf-8";

std::string e(std::string_view text) {
    return htmlEscape(text);
}

// Local time, as the event log shows it.
std::string timeText(Clock::time_point when) {
    const std::time_t t = Clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string cell(std::string_view text) {
    return "<td>" + e(text) + "</td>";
}

std::string header(std::string_view text) {
    return "<th>" + e(text) + "</th>";
}

std::string answerText(const LastScan& scan, const ConsoleTexts& texts) {
    switch (scan.outcome) {
        case Outcome::Found:
            return scan.answer;
        case Outcome::NotFound:
            return texts.notFound;
        case Outcome::Failed:
            break;
    }
    return texts.failed;
}

std::string terminalsSection(const Stats& stats, const ConsoleTexts& t) {
    std::string html =
        "<h2>" + e(t.terminals) + " (" + std::to_string(stats.terminals().size()) + ")</h2>\n";
    if (stats.terminals().empty())
        return html + "<p>" + e(t.noTerminals) + "</p>\n";
    html += "<table><tr>" + header(t.address) + header(t.model) + header(t.transport) +
            header(t.connectedSince) + header(t.lastScan) + header(t.answer) + "</tr>\n";
    for (const Terminal& terminal : stats.terminals()) {
        html += "<tr>" + cell(terminal.address) + cell(std::to_string(terminal.model)) +
                cell(transportName(terminal.transport)) + cell(timeText(terminal.connectedSince));
        if (terminal.lastScan)
            html += cell(timeText(terminal.lastScan->when) + "  " + terminal.lastScan->code) +
                    cell(answerText(*terminal.lastScan, t));
        else
            html += "<td></td><td></td>";
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

// Bars of the last hour, the current minute on the right.
std::string chart(const std::array<uint64_t, Stats::kMinutes>& minutes, const ConsoleTexts& t) {
    constexpr int kBar = 10;
    constexpr int kHeight = 100;
    constexpr int kTop = 14;
    const uint64_t most = std::max<uint64_t>(1, *std::max_element(minutes.begin(), minutes.end()));
    const int width = kBar * static_cast<int>(minutes.size());
    std::string svg = "<h2>" + e(t.chart) + "</h2>\n<svg xmlns=\"http://www.w3.org/2000/svg\" " +
                      "width=\"" + std::to_string(width + 2) + "\" height=\"" +
                      std::to_string(kHeight + kTop + 16) + "\" role=\"img\">\n";
    svg += "<text x=\"0\" y=\"10\" class=\"axis\">" + std::to_string(most) + "</text>\n";
    for (size_t i = 0; i < minutes.size(); ++i) {
        const int h = static_cast<int>(
            std::lround(static_cast<double>(minutes[i]) * kHeight / static_cast<double>(most)));
        svg += "<rect x=\"" + std::to_string(static_cast<int>(i) * kBar + 1) + "\" y=\"" +
               std::to_string(kTop + kHeight - h) + "\" width=\"" + std::to_string(kBar - 2) +
               "\" height=\"" + std::to_string(h) + "\"><title>" + std::to_string(minutes[i]) +
               "</title></rect>\n";
    }
    const int base = kTop + kHeight;
    svg += "<line x1=\"0\" y1=\"" + std::to_string(base) + "\" x2=\"" + std::to_string(width) +
           "\" y2=\"" + std::to_string(base) + "\"/>\n";
    svg += "<text x=\"0\" y=\"" + std::to_string(base + 14) + "\" class=\"axis\">-60 min</text>\n";
    svg += "<text x=\"" + std::to_string(width) + "\" y=\"" + std::to_string(base + 14) +
           "\" class=\"axis\" text-anchor=\"end\">0</text>\n</svg>\n";
    return svg;
}

std::string countsSection(const Stats& stats, const ConsoleTexts& t) {
    return "<h2>" + e(t.counts) + "</h2>\n<table><tr>" + header(t.found) + header(t.notFound) +
           header(t.failed) + "</tr>\n<tr>" + cell(std::to_string(stats.scans(Outcome::Found))) +
           cell(std::to_string(stats.scans(Outcome::NotFound))) +
           cell(std::to_string(stats.scans(Outcome::Failed))) + "</tr></table>\n";
}

std::string databaseSection(const Stats& stats, const StatusFacts& facts, const ConsoleTexts& t) {
    std::string result = t.noAccess;
    if (const auto& last = stats.lastDatabaseAccess())
        result = timeText(last->when) + "  " + (last->ok ? t.ok : t.failed + ": " + last->reason);
    return "<h2>" + e(t.database) + "</h2>\n<table><tr>" + header(t.path) +
           cell(facts.databasePath) + "</tr>\n<tr>" + header(t.lastResult) + cell(result) +
           "</tr></table>\n";
}

std::string notFoundSection(const StatusFacts& facts, const ConsoleTexts& t) {
    std::string html = "<h2>" + e(t.topNotFound) + "</h2>\n<table><tr>" + header(t.code) +
                       header(t.times) + "</tr>\n";
    for (const auto& [code, count] : facts.notFound)
        html += "<tr>" + cell(code) + cell(std::to_string(count)) + "</tr>\n";
    return html + "</table>\n";
}

std::string logSection(const Stats& stats, const ConsoleTexts& t) {
    std::string html = "<h2>" + e(t.eventLog) + "</h2>\n<pre>";
    // The newest first, as an operator looks for what just happened.
    for (auto line = stats.log().rbegin(); line != stats.log().rend(); ++line)
        html += e(timeText(line->when)) + "  " + e(line->text) + "\n";
    return html + "</pre>\n";
}

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:1em 2em;color:#222}"
    "table{border-collapse:collapse;margin-bottom:1em}"
    "td,th{border:1px solid #ccc;padding:2px 8px;text-align:left}"
    "th{background:#eee}rect{fill:#3572a5}line{stroke:#888}.axis{font-size:11px;fill:#555}"
    "pre{background:#f6f6f6;padding:6px;font-size:12px;max-height:40em;overflow:auto}";

// Names and help of the metrics: Prometheus conventions, seconds, counters ending in _total.
void family(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

template <class Number>
void sample(std::string& out, std::string_view name, std::string_view labels, Number value) {
    out += name;
    if (!labels.empty()) {
        out += '{';
        out += labels;
        out += '}';
    }
    if constexpr (std::is_floating_point_v<Number>) {
        char number[40];
        std::snprintf(number, sizeof number, " %.15g\n", value);
        out += number;
    } else {
        out += ' ' + std::to_string(value) + '\n';
    }
}

// A label value with \, " and line ends escaped.
std::string labelValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

}  // namespace

Page statusPage(const Stats& stats, const StatusFacts& facts, const ConsoleTexts& texts) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"" + e(texts.language) +
                       "\"><head><meta charset=\"utf-8\">"
                       "<meta http-equiv=\"refresh\" content=\"" +
                       std::to_string(kStatusRefreshSeconds) + "\"><title>" + e(texts.title) +
                       "</title><style>" + std::string(kStyle) + "</style></head>\n<body>\n<h1>" +
                       e(texts.title) + "</h1>\n<p>" + e(texts.started) + ": " +
                       e(timeText(stats.started())) + "</p>\n";
    html += terminalsSection(stats, texts);
    html += chart(stats.scansPerMinute(facts.now), texts);
    html += countsSection(stats, texts);
    html += databaseSection(stats, facts, texts);
    html += notFoundSection(facts, texts);
    html += logSection(stats, texts);
    html += "</body></html>\n";
    return {200, std::string(kHtml), std::move(html)};
}

Page metricsPage(const Stats& stats, const MetricsFacts& facts) {
    std::string out;
    family(out, "tarifon_scans_total", "counter",
           "Scanned codes answered, by outcome and transport.");
    for (size_t o = 0; o < kOutcomes; ++o) {
        for (size_t t = 0; t < kTransports; ++t) {
            const auto outcome = static_cast<Outcome>(o);
            const auto transport = static_cast<Transport>(t);
            sample(out, "tarifon_scans_total",
                   std::string("outcome=\"") + outcomeName(outcome) + "\",transport=\"" +
                       transportName(transport) + "\"",
                   stats.scans(outcome, transport));
        }
    }
    family(out, "tarifon_lookup_duration_seconds", "histogram",
           "Time from taking a scanned code to having its answer.");
    const LatencyHistogram& latency = stats.latency();
    uint64_t cumulative = 0;
    for (size_t i = 0; i < LatencyHistogram::kBounds.size(); ++i) {
        cumulative += latency.buckets[i];
        char bound[32];
        std::snprintf(bound, sizeof bound, "le=\"%g\"", LatencyHistogram::kBounds[i]);
        sample(out, "tarifon_lookup_duration_seconds_bucket", bound, cumulative);
    }
    sample(out, "tarifon_lookup_duration_seconds_bucket", "le=\"+Inf\"", latency.count);
    sample(out, "tarifon_lookup_duration_seconds_sum", "", latency.sum);
    sample(out, "tarifon_lookup_duration_seconds_count", "", latency.count);

    family(out, "tarifon_terminals_connected", "gauge", "Terminals connected now, by transport.");
    sample(out, "tarifon_terminals_connected", "transport=\"tcp\"",
           facts.library[TERMLINK_COUNTER_CONNECTED_TCP]);
    sample(out, "tarifon_terminals_connected", "transport=\"ws\"",
           facts.library[TERMLINK_COUNTER_CONNECTED_WS]);
    family(out, "tarifon_database_failures_total", "counter",
           "Database accesses that failed (lookups and connection tests).");
    sample(out, "tarifon_database_failures_total", "", stats.databaseFailures());
    family(out, "tarifon_refused_connections_total", "counter",
           "Connections and console requests refused, by reason.");
    sample(out, "tarifon_refused_connections_total", "reason=\"allow_list\"",
           facts.library[TERMLINK_COUNTER_REFUSED]);
    sample(out, "tarifon_refused_connections_total", "reason=\"connect_rate\"",
           facts.library[TERMLINK_COUNTER_RATE_REFUSED]);
    sample(out, "tarifon_refused_connections_total", "reason=\"console_allow_list\"",
           facts.library[TERMLINK_COUNTER_CONSOLE_REFUSED]);
    family(out, "tarifon_dropped_scans_total", "counter",
           "Scanned codes dropped because a terminal's queue was full.");
    sample(out, "tarifon_dropped_scans_total", "", facts.library[TERMLINK_COUNTER_DROPPED_SCANS]);
    family(out, "tarifon_console_unanswered_total", "counter",
           "Status, metrics and health requests the program did not answer in time.");
    sample(out, "tarifon_console_unanswered_total", "",
           facts.library[TERMLINK_COUNTER_PAGES_UNANSWERED]);
    family(out, "tarifon_picture_distributions_total", "counter",
           "Picture sets requested for terminals, by what became of the request.");
    for (const auto& [outcome, count] : stats.pictureDistributions())
        sample(out, "tarifon_picture_distributions_total",
               "outcome=\"" + labelValue(outcome) + "\"", count);
    family(out, "tarifon_not_found_codes", "gauge", "Distinct codes in the not-found report.");
    sample(out, "tarifon_not_found_codes", "", facts.notFoundCodes);
    family(out, "tarifon_start_time_seconds", "gauge",
           "When the program started, in seconds since the epoch.");
    sample(out, "tarifon_start_time_seconds", "",
           std::chrono::duration<double>(stats.started().time_since_epoch()).count());
    family(out, "tarifon_build_info", "gauge", "The program's version; always 1.");
    sample(out, "tarifon_build_info", "version=\"" + labelValue(facts.version) + "\"", uint64_t{1});
    return {200, std::string(kMetrics), std::move(out)};
}

Page healthPage(const Stats& stats, bool listening) {
    if (!listening)
        return {503, std::string(kPlain), "the terminal server is not listening\n"};
    const auto& last = stats.lastDatabaseAccess();
    if (last && !last->ok)
        return {503, std::string(kPlain),
                "the last database access failed: " + oneLine(last->reason) + "\n"};
    return {200, std::string(kPlain), "ok\n"};
}

Page page(std::string_view path, const PageInputs& inputs) {
    if (path == "/status")
        return statusPage(inputs.stats, inputs.statusFacts(), inputs.texts);
    if (path == "/metrics")
        return metricsPage(inputs.stats, inputs.metricsFacts());
    if (path == "/healthz")
        return healthPage(inputs.stats, inputs.listening);
    return {404, std::string(kPlain), "Not found.\n"};
}

}  // namespace tarifon::console
