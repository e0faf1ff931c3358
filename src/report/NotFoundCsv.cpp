#include "report/NotFoundCsv.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace tarifon {

namespace {

constexpr size_t kColumns = 5;
constexpr std::string_view kFormulaStarts = "=+-@\t\r'";
const std::vector<std::string> kHeaderFields = {"code", "count", "first", "last", "terminals"};

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void appendField(std::string& out, std::string_view field) {
    if (!needsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

std::string protectFormula(const std::string& code) {
    if (!code.empty() && kFormulaStarts.find(code.front()) != std::string_view::npos)
        return '\'' + code;
    return code;
}

// One record of fields; `line` counts lines for the error text.
Result<std::vector<std::string>> nextRecord(std::string_view text, size_t& pos, size_t& line) {
    std::vector<std::string> fields(1);
    const size_t startLine = line;
    auto error = [&](const char* what) {
        return fail("notfound.csv line " + std::to_string(startLine) + ": " + what);
    };
    while (pos < text.size()) {
        std::string& field = fields.back();
        if (text[pos] == '"' && field.empty()) {
            ++pos;
            for (;;) {
                if (pos >= text.size())
                    return error("a quoted field is not closed");
                const char c = text[pos++];
                if (c == '"') {
                    if (pos < text.size() && text[pos] == '"') {
                        field += '"';
                        ++pos;
                        continue;
                    }
                    break;
                }
                if (c == '\n')
                    ++line;
                field += c;
            }
            if (pos < text.size() && text[pos] != ',' && text[pos] != '\n' && text[pos] != '\r')
                return error("text after a closing quote");
            continue;
        }
        const char c = text[pos++];
        if (c == ',') {
            fields.emplace_back();
        } else if (c == '\n' || (c == '\r' && pos < text.size() && text[pos] == '\n')) {
            pos += c == '\r' ? 1 : 0;
            ++line;
            return fields;
        } else if (c == '"' || c == '\r') {
            return error("a stray quote or carriage return");
        } else {
            field += c;
        }
    }
    return fields;
}

Result<NotFoundEntry> toEntry(const std::vector<std::string>& fields) {
    if (fields.size() != kColumns)
        return fail("expected " + std::to_string(kColumns) + " fields, found " +
                    std::to_string(fields.size()));
    NotFoundEntry entry;
    entry.code = fields[0];
    if (!entry.code.empty() && entry.code.front() == '\'')
        entry.code.erase(0, 1);
    const std::string& count = fields[1];
    const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), entry.count);
    if (ec != std::errc() || end != count.data() + count.size() || entry.count == 0)
        return fail("the count is not a positive whole number");
    const std::optional<int64_t> first = parseUtcTime(fields[2]);
    const std::optional<int64_t> last = parseUtcTime(fields[3]);
    if (!first || !last || *first > *last)
        return fail("first and last are not two times in order (YYYY-MM-DDTHH:MM:SSZ)");
    entry.first = *first;
    entry.last = *last;
    const std::string& terminals = fields[4];
    for (size_t at = 0; at < terminals.size();) {
        const size_t space = std::min(terminals.find(' ', at), terminals.size());
        if (space > at)
            entry.terminals.push_back(terminals.substr(at, space - at));
        at = space + 1;
    }
    return entry;
}

}  // namespace

std::string formatUtcTime(int64_t secondsSinceEpoch) {
    const std::time_t time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm utc{};
    char text[32] = "";
    if (::gmtime_r(&time, &utc) == nullptr ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0)
        return "1970-01-01T00:00:00Z";
    return text;
}

std::optional<int64_t> parseUtcTime(std::string_view text) {
    constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kPattern.size())
        return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i])
            return std::nullopt;
    }
    auto number = [&](size_t at, size_t length) {
        int value = 0;
        for (size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    std::tm utc{};
    utc.tm_year = number(0, 4) - 1900;
    utc.tm_mon = number(5, 2) - 1;
    utc.tm_mday = number(8, 2);
    utc.tm_hour = number(11, 2);
    utc.tm_min = number(14, 2);
    utc.tm_sec = number(17, 2);
    const int64_t seconds = ::timegm(&utc);
    // timegm normalises 30 February into March: only a time that reads back is one.
    if (formatUtcTime(seconds) != text)
        return std::nullopt;
    return seconds;
}

std::string writeNotFoundCsv(const std::vector<NotFoundEntry>& entries) {
    std::string out(kNotFoundCsvHeader);
    out += '\n';
    for (const NotFoundEntry& entry : entries) {
        appendField(out, protectFormula(entry.code));
        out += ',' + std::to_string(entry.count) + ',' + formatUtcTime(entry.first) + ',' +
               formatUtcTime(entry.last) + ',';
        std::string terminals;
        for (const std::string& terminal : entry.terminals)
            terminals += (terminals.empty() ? "" : " ") + terminal;
        appendField(out, terminals);
        out += '\n';
    }
    return out;
}

Result<void> readNotFoundCsv(std::string_view text, NotFoundTable& into) {
    if (text.empty())
        return {};
    size_t pos = 0;
    size_t line = 1;
    const auto header = nextRecord(text, pos, line);
    if (!header || header.value() != kHeaderFields)
        return fail("notfound.csv line 1: not the header " + std::string(kNotFoundCsvHeader));
    while (pos < text.size()) {
        const size_t at = line;
        const auto record = nextRecord(text, pos, line);
        if (!record)
            return fail(record.error());
        if (record.value().size() == 1 && record.value().front().empty())
            continue;  // a blank line
        const auto entry = toEntry(record.value());
        if (!entry)
            return fail("notfound.csv line " + std::to_string(at) + ": " + entry.error());
        into.add(entry.value());
    }
    return {};
}

}  // namespace tarifon
