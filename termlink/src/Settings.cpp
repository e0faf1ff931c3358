#include "termlink/Settings.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <boost/asio/ip/address.hpp>

namespace termlink {

namespace {

constexpr size_t kMaxSettingsFileBytes = 64 * 1024;
constexpr long kMaxTimeoutSeconds = 24 * 60 * 60;
// The program sends keep-alives every 3 s; a terminal that does no more than answer
// them must outlive a lost or late round.
constexpr long kMinIdleTimeoutSeconds = 10;
// A web price checker that has waited this long shows its error page anyway.
constexpr long kMaxAnswerTimeoutSeconds = 300;
// Past these a limit on connections means nothing on a shop's network.
constexpr long kMaxConnectRate = 100000;
constexpr long kMaxConnectBurst = 100000;

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

bool parseWhole(std::string_view s, long min, long max, long& out) {
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < min || v > max)
        return false;
    out = v;
    return true;
}

enum class Section { Other, Server, Web, Console };

// A key of [web]; false when the key is not one of them.
bool parseWebKey(const std::string& key, std::string_view value, WebConfig& web,
                 const std::string& where, std::vector<std::string>& problems) {
    long n = 0;
    if (key == "enabled") {
        if (parseWhole(value, 0, 1, n))
            web.enabled = n == 1;
        else
            problems.push_back(where + "enabled must be 0 or 1; using " +
                               (web.enabled ? "1" : "0"));
    } else if (key == "address") {
        boost::system::error_code ec;
        asio::ip::make_address(std::string(value), ec);
        if (ec)
            problems.push_back(where + "address '" + std::string(value) +
                               "' is not an IP address; using " + web.address);
        else
            web.address = std::string(value);
    } else if (key == "port") {
        if (parseWhole(value, 0, 65535, n))
            web.port = static_cast<uint16_t>(n);
        else
            problems.push_back(where + "port must be 0 to 65535; using " +
                               std::to_string(web.port));
    } else if (key == "templates") {
        if (value.empty())
            problems.push_back(where + "templates must name a folder; using " + web.templates);
        else
            web.templates = std::string(value);
    } else if (key == "answer_timeout") {
        if (parseWhole(value, 1, kMaxAnswerTimeoutSeconds, n))
            web.answerTimeout = std::chrono::seconds(n);
        else
            problems.push_back(where + "answer_timeout must be whole seconds from 1 to " +
                               std::to_string(kMaxAnswerTimeoutSeconds) + "; using " +
                               std::to_string(web.answerTimeout.count() / 1000));
    } else {
        return false;
    }
    return true;
}

void parseAllow(std::string_view value, AllowList& allow, const std::string& where,
                std::vector<std::string>& problems) {
    auto parsed = AllowList::parse(value);
    if (parsed)
        allow = std::move(*parsed);
    else
        problems.push_back(where + "allow: " + parsed.error() + "; using " + allow.text());
}

std::filesystem::path programFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

LoadedSettings parseSettings(std::string_view text) {
    LoadedSettings result;
    auto& cfg = result.config;
    Section section = Section::Other;
    size_t lineNo = 0;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = trim(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        ++lineNo;
        if (lineNo == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line = trim(line.substr(3));
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        const auto where = "line " + std::to_string(lineNo) + ": ";
        if (line.front() == '[') {
            if (line.back() != ']') {
                result.problems.push_back(where + "section header without ']'");
                section = Section::Other;
                continue;
            }
            const std::string name = lower(trim(line.substr(1, line.size() - 2)));
            section = name == "server"    ? Section::Server
                      : name == "web"     ? Section::Web
                      : name == "console" ? Section::Console
                                          : Section::Other;
            continue;
        }
        if (section == Section::Other)
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            result.problems.push_back(where + "expected key = value");
            continue;
        }
        const std::string key = lower(trim(line.substr(0, eq)));
        std::string_view value = trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        long n = 0;
        if (section == Section::Web) {
            if (!parseWebKey(key, value, cfg.web, where, result.problems))
                result.problems.push_back(where + "unknown key '" + key + "' in [web]");
        } else if (section == Section::Console) {
            if (key == "allow")
                parseAllow(value, cfg.console.allow, where, result.problems);
            else
                result.problems.push_back(where + "unknown key '" + key + "' in [console]");
        } else if (key == "address") {
            boost::system::error_code ec;
            asio::ip::make_address(std::string(value), ec);
            if (ec)
                result.problems.push_back(where + "address '" + std::string(value) +
                                          "' is not an IP address; using " + cfg.address);
            else
                cfg.address = std::string(value);
        } else if (key == "port") {
            if (parseWhole(value, 0, 65535, n))
                cfg.port = static_cast<uint16_t>(n);
            else
                result.problems.push_back(where + "port must be 0 to 65535; using " +
                                          std::to_string(cfg.port));
        } else if (key == "idle_timeout" || key == "handshake_timeout") {
            auto& target = key == "idle_timeout" ? cfg.idleTimeout : cfg.handshakeTimeout;
            if (!parseWhole(value, 1, kMaxTimeoutSeconds, n)) {
                result.problems.push_back(where + key + " must be whole seconds from 1 to " +
                                          std::to_string(kMaxTimeoutSeconds) + "; using " +
                                          std::to_string(target.count() / 1000));
            } else {
                if (key == "idle_timeout" && n < kMinIdleTimeoutSeconds) {
                    n = kMinIdleTimeoutSeconds;
                    result.problems.push_back(where + "idle_timeout below the minimum of " +
                                              std::to_string(n) + " s; using " + std::to_string(n));
                }
                target = std::chrono::seconds(n);
            }
        } else if (key == "connect_rate" || key == "connect_burst") {
            const bool rate = key == "connect_rate";
            auto& target = rate ? cfg.connectLimit.perSecond : cfg.connectLimit.burst;
            if (parseWhole(value, rate ? 0 : 1, rate ? kMaxConnectRate : kMaxConnectBurst, n))
                target = static_cast<unsigned>(n);
            else
                result.problems.push_back(
                    where + key + " must be a whole number from " + (rate ? "0" : "1") + " to " +
                    std::to_string(rate ? kMaxConnectRate : kMaxConnectBurst) + "; using " +
                    std::to_string(target));
        } else if (key == "allow") {
            parseAllow(value, cfg.allow, where, result.problems);
        } else {
            result.problems.push_back(where + "unknown key '" + key + "'");
        }
    }
    return result;
}

namespace {

LoadedSettings readSettingsFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {};
    std::ifstream in(path, std::ios::binary);
    std::string text(kMaxSettingsFileBytes + 1, '\0');
    if (in)
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!in && !in.eof()) {
        LoadedSettings failed;
        failed.problems.push_back(path + ": cannot be read; using the defaults");
        return failed;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > kMaxSettingsFileBytes) {
        LoadedSettings failed;
        failed.problems.push_back(path + ": larger than " + std::to_string(kMaxSettingsFileBytes) +
                                  " bytes; using the defaults");
        return failed;
    }
    LoadedSettings result = parseSettings(text);
    for (auto& p : result.problems)
        p = path + ": " + p;
    return result;
}

}  // namespace

LoadedSettings loadSettings(const std::string& path) {
    LoadedSettings result = readSettingsFile(path);
    resolveWebFolders(result.config.web, programFolder());
    return result;
}

void resolveWebFolders(WebConfig& web, const std::filesystem::path& folder) {
    for (std::string* path : {&web.assets, &web.templates}) {
        if (std::filesystem::path(*path).is_relative())
            *path = (folder / *path).lexically_normal().string();
    }
}

std::string settingsPath() {
    if (const char* env = std::getenv("TERMLINK_INI"); env && *env)
        return env;
    return (programFolder() / "termlink.ini").string();
}

}  // namespace termlink
