#include "report/NotFoundReport.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "report/NotFoundCsv.h"
#include "support/TempDir.h"

using namespace tarifon;
namespace fs = std::filesystem;
using std::chrono::system_clock;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

system_clock::time_point at(const char* utc) {
    return system_clock::time_point(std::chrono::seconds(*parseUtcTime(utc)));
}

}  // namespace

// Codes a hostile or odd terminal may send read back exactly, and a spreadsheet never
// takes one for a formula.
TEST(NotFoundCsv, CodesRoundTripAndFormulasAreDefused) {
    const std::vector<std::string> codes = {
        "789", "a,b", "say \"hi\"", "two\nlines", "cr\rinside", "=1+1", "+1",
        "-5",  "@x",  "\tx",        "\rx",        "'quoted",    "",     "caf\xc3\xa9"};
    std::vector<NotFoundEntry> entries;
    for (const std::string& code : codes)
        entries.push_back({code, 2, 1'000'000'000, 1'700'000'000, {"10.0.0.1", "10.0.0.2"}});
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.code < b.code; });
    const std::string text = writeNotFoundCsv(entries);
    EXPECT_NE(text.find("\n'=1+1,2,2001-09-09T01:46:40Z,2023-11-14T22:13:20Z,10.0.0.1 10.0.0.2\n"),
              std::string::npos);
    for (const std::string& code : codes)  // every formula start behind its quote
        EXPECT_TRUE(code.empty() ||
                    std::string_view("=+-@\t\r'").find(code[0]) == std::string::npos ||
                    text.find('\'' + code) != std::string::npos)
            << code;
    NotFoundTable read;
    ASSERT_TRUE(readNotFoundCsv(text, read)) << text;
    EXPECT_EQ(read.entries(), entries);
}

TEST(NotFoundCsv, RejectsWhatItDoesNotWrite) {
    const std::string header = "code,count,first,last,terminals\n";
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"code,count,first,last\n", "line 1"},
        {header + "1,0,2026-01-01T00:00:00Z,2026-01-01T00:00:00Z,\n", "line 2"},
        {header + "1,x,2026-01-01T00:00:00Z,2026-01-01T00:00:00Z,\n", "count"},
        {header + "1,1,2026-02-30T00:00:00Z,2026-03-01T00:00:00Z,\n", "times"},
        {header + "1,1,2026-01-02T00:00:00Z,2026-01-01T00:00:00Z,\n", "in order"},
        {header + "1,1,2026-01-01 00:00:00,2026-01-01T00:00:00Z,\n", "times"},
        {header + "\"1,1,2026-01-01T00:00:00Z,2026-01-01T00:00:00Z,\n", "not closed"},
        {header + "\n2,1,2026-01-01T00:00:00Z,2026-01-01T00:00:00Z\n", "line 3: expected 5"},
    };
    for (const auto& [text, why] : bad) {
        NotFoundTable table;
        const Result<void> read = readNotFoundCsv(text, table);
        ASSERT_FALSE(read) << text;
        EXPECT_NE(read.error().find(why), std::string::npos) << read.error();
    }
}

TEST(NotFoundReport, MergesWithTheFileAndKeepsACorruptOneAside) {
    TempDir dir;
    const fs::path file = dir.path() / "notfound.csv";
    const std::string header = "code,count,first,last,terminals\n";
    std::ofstream(file) << header << "111,3,2026-01-05T10:00:00Z,2026-01-06T10:00:00Z,10.0.0.9\n";
    NotFoundReport report(file);
    report.record("111", "10.0.0.1", at("2026-01-04T08:00:00Z"));
    report.record("222", "10.0.0.1", at("2026-01-07T08:00:00Z"));
    report.record("222", "10.0.0.2", at("2026-01-07T09:00:00Z"));
    EXPECT_TRUE(report.save().empty());
    EXPECT_TRUE(report.save().empty()) << "nothing new: nothing counted twice";
    const std::string merged =
        header + "111,4,2026-01-04T08:00:00Z,2026-01-06T10:00:00Z,10.0.0.1 10.0.0.9\n" +
        "222,2,2026-01-07T08:00:00Z,2026-01-07T09:00:00Z,10.0.0.1 10.0.0.2\n";
    EXPECT_EQ(contents(file), merged);

    std::ofstream(file, std::ios::app) << "333,1,yesterday\n";
    report.record("444", "10.0.0.3", at("2026-01-08T08:00:00Z"));
    const std::vector<std::string> log = report.save();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("line 4"), std::string::npos) << log[0];
    EXPECT_EQ(contents(file),
              header + "444,1,2026-01-08T08:00:00Z,2026-01-08T08:00:00Z,10.0.0.3\n");
    const size_t named = log[0].find("kept as ") + 8;
    const fs::path aside = log[0].substr(named, log[0].find(',', named) - named);
    EXPECT_EQ(contents(dir.path() / aside), merged + "333,1,yesterday\n") << aside;
}

TEST(NotFoundReport, BoundCountsKnownCodesAndLogsDroppedOnesOnce) {
    TempDir dir;
    NotFoundReport report(dir.path() / "notfound.csv", 2);
    const auto now = at("2026-01-01T00:00:00Z");
    EXPECT_FALSE(report.record("1", "t", now));
    EXPECT_FALSE(report.record("2", "t", now));
    EXPECT_TRUE(report.record("3", "t", now));
    EXPECT_FALSE(report.record("4", "t", now)) << "logged once";
    EXPECT_FALSE(report.record("2", "t", now));
    EXPECT_TRUE(report.save().empty());
    // The file is full too: a new code is dropped at the merge, known ones still add up.
    NotFoundReport later(dir.path() / "notfound.csv", 2);
    later.record("5", "t", now);
    later.record("1", "t", now);
    EXPECT_EQ(later.save().size(), 1u);
    EXPECT_EQ(contents(dir.path() / "notfound.csv"),
              "code,count,first,last,terminals\n1,2,2026-01-01T00:00:00Z,2026-01-01T00:00:00Z,t\n"
              "2,2,2026-01-01T00:00:00Z,2026-01-01T00:00:00Z,t\n");

    // Sixteen terminals named per code, the first to ask; the count goes on.
    NotFoundTable many;
    for (int i = 16; i >= 0; --i)
        many.record("9", "10.0.0." + std::to_string(10 + i), 0);
    ASSERT_EQ(many.entries().size(), 1u);
    EXPECT_EQ(many.entries()[0].count, 17u);
    EXPECT_EQ(many.entries()[0].terminals.size(), 16u);
    EXPECT_EQ(many.entries()[0].terminals.front(), "10.0.0.11") << "10.0.0.10 came 17th";
}

// The status page's list adds what waits to be saved to the file's counts.
TEST(NotFoundReport, SummaryJoinsTheFileAndWhatWaits) {
    TempDir dir;
    NotFoundReport report(dir.path() / "notfound.csv");
    for (const char* code : {"a", "b", "b", "c"})
        report.record(code, "10.0.0.1", at("2026-12-09T12:00:00Z"));
    report.save();
    for (const char* code : {"a", "a", "d"})
        report.record(code, "10.0.0.1", at("2026-12-09T12:01:00Z"));
    const NotFoundSummary summary = report.summary(2, std::chrono::steady_clock::now());
    EXPECT_EQ(summary.codes, 4u);
    EXPECT_EQ(summary.top, (decltype(summary.top){{"a", 3}, {"b", 2}}));
}
