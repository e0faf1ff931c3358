#include "termsim/TerminalState.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/AtomicWrite.h"
#include "base/Cp1252.h"

namespace termsim {

namespace {

constexpr size_t kField = 22;
constexpr size_t kUpdateServerField = 100;
constexpr size_t kMacTextField = 17;

// Text fields hold at most width-1 bytes and a zero; the rest stays zero.
void putText(wire::Bytes& record, size_t offset, size_t width, const std::string& text) {
    const size_t n = std::min(text.size(), width - 1);
    std::copy_n(text.begin(), n, record.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string getText(std::span<const uint8_t> record, size_t offset, size_t width) {
    return std::string(tarifon::cp1252::field(record.subspan(offset, width)));
}

// ---- state file ------------------------------------------------------------

enum class Kind { Text, Byte };

struct Key {
    const char* name;
    Kind kind;
    std::string& (*text)(TerminalState&);
    uint8_t& (*byte)(TerminalState&);
};

#define TEXT_KEY(name, member)                                                               \
    Key {                                                                                    \
        name, Kind::Text, [](TerminalState& s) -> std::string& { return s.member; }, nullptr \
    }
#define BYTE_KEY(name, member)                                                           \
    Key {                                                                                \
        name, Kind::Byte, nullptr, [](TerminalState& s) -> uint8_t& { return s.member; } \
    }

const std::array kKeys = {
    TEXT_KEY("firmware", firmware),
    TEXT_KEY("net.server", net.server),
    TEXT_KEY("net.terminal", net.terminal),
    TEXT_KEY("net.netmask", net.netmask),
    TEXT_KEY("net.text1", net.text1),
    TEXT_KEY("net.text2", net.text2),
    TEXT_KEY("net.text3", net.text3),
    TEXT_KEY("net.text4", net.text4),
    BYTE_KEY("net.display_time", net.displayTime),
    TEXT_KEY("upd.gateway", upd.gateway),
    TEXT_KEY("upd.name_server", upd.nameServer),
    TEXT_KEY("upd.terminal_name", upd.terminalName),
    TEXT_KEY("upd.update_server", upd.updateServer),
    TEXT_KEY("upd.user", upd.user),
    TEXT_KEY("upd.password", upd.password),
    BYTE_KEY("extras.dynamic_ip", extras.dynamicIp),
    BYTE_KEY("extras.find_server", extras.findServer),
    BYTE_KEY("wlan.enabled", wlan.enabled),
    BYTE_KEY("wlan.mode", wlan.mode),
    TEXT_KEY("wlan.ssid", wlan.ssid),
    BYTE_KEY("wlan.channel", wlan.channel),
    BYTE_KEY("wlan.wep", wlan.wepInUse),
    TEXT_KEY("wlan.wep_key", wlan.wepKey),
};

#undef TEXT_KEY
#undef BYTE_KEY

// Texts come from the network and may hold line breaks; escape so one value stays one line.
std::string escape(const std::string& utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : utf8) {
        const auto b = static_cast<uint8_t>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

tarifon::Result<std::string> unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return tarifon::fail("backslash at the end of a value");
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                unsigned value = 0;
                const char* first = text.data() + i + 1;
                const char* last = first + std::min<size_t>(2, text.size() - i - 1);
                const auto [ptr, ec] = std::from_chars(first, last, value, 16);
                if (ec != std::errc() || ptr != first + 2)
                    return tarifon::fail("\\x needs two hexadecimal digits");
                out += static_cast<char>(value);
                i += 2;
                break;
            }
            default:
                return tarifon::fail(std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

template <class T>
bool parseNumber(std::string_view text, T& value) {
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A key's value as the state file holds it.  Keys hand out references, so `s` is a
// copy the caller owns.
std::string valueText(const Key& key, TerminalState& s) {
    if (key.kind == Kind::Text)
        return escape(tarifon::cp1252::toUtf8(key.text(s)));
    return std::to_string(key.byte(s));
}

}  // namespace

MacAddress macFromSeed(uint32_t seed) {
    return {0x02,
            0x00,
            static_cast<uint8_t>(seed >> 24),
            static_cast<uint8_t>(seed >> 16),
            static_cast<uint8_t>(seed >> 8),
            static_cast<uint8_t>(seed)};
}

TerminalState defaultState(uint32_t seed) {
    TerminalState s;
    s.mac = macFromSeed(seed);
    s.upd.terminalName = "termsim-" + std::to_string(seed);
    return s;
}

std::string macText(const MacAddress& mac) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i)
            out += ':';
        out += kHex[mac[i] >> 4];
        out += kHex[mac[i] & 0xF];
    }
    return out;
}

tarifon::Result<MacAddress> parseMac(const std::string& text) {
    MacAddress mac{};
    const auto bad = [&] {
        return tarifon::fail("'" + text + "' is not a MAC address like 02:00:00:00:00:01");
    };
    if (text.size() != 17)
        return bad();
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i && text[i * 3 - 1] != ':')
            return bad();
        const char* first = text.data() + i * 3;
        const auto [ptr, ec] = std::from_chars(first, first + 2, mac[i], 16);
        if (ec != std::errc() || ptr != first + 2)
            return bad();
    }
    return mac;
}

wire::Bytes encodeNetConfig(const NetConfig& net) {
    wire::Bytes r(wire::kNetConfigBytes, 0);
    const std::string* texts[] = {&net.server, &net.terminal, &net.netmask, &net.text1,
                                  &net.text2,  &net.text3,    &net.text4};
    for (size_t i = 0; i < 7; ++i)
        putText(r, i * kField, kField, *texts[i]);
    r[154] = net.displayTime;
    return r;
}

NetConfig decodeNetConfig(std::span<const uint8_t> record) {
    NetConfig net;
    std::string* texts[] = {&net.server, &net.terminal, &net.netmask, &net.text1,
                            &net.text2,  &net.text3,    &net.text4};
    for (size_t i = 0; i < 7; ++i)
        *texts[i] = getText(record, i * kField, kField);
    net.displayTime = record[154];
    return net;
}

wire::Bytes encodeUpdConfig(const UpdConfig& upd) {
    wire::Bytes r(wire::kUpdConfigBytes, 0);
    putText(r, 0, kField, upd.gateway);
    putText(r, 22, kField, upd.nameServer);
    putText(r, 44, kField, upd.terminalName);
    putText(r, 66, kUpdateServerField, upd.updateServer);
    putText(r, 166, kField, upd.user);
    putText(r, 188, kField, upd.password);
    return r;
}

UpdConfig decodeUpdConfig(std::span<const uint8_t> record) {
    UpdConfig upd;
    upd.gateway = getText(record, 0, kField);
    upd.nameServer = getText(record, 22, kField);
    upd.terminalName = getText(record, 44, kField);
    upd.updateServer = getText(record, 66, kUpdateServerField);
    upd.user = getText(record, 166, kField);
    upd.password = getText(record, 188, kField);
    return upd;
}

wire::Bytes encodeExtras(const Extras& extras) {
    return {extras.dynamicIp, extras.findServer};
}

Extras decodeExtras(std::span<const uint8_t> record) {
    return {record[0], record[1]};
}

wire::Bytes encodeWlanConfig(const WlanConfig& wlan) {
    wire::Bytes r(wire::kWlanConfigBytes, 0);
    r[0] = wlan.enabled;
    r[1] = wlan.mode;
    putText(r, 2, kField, wlan.ssid);
    r[24] = wlan.channel;
    r[25] = wlan.wepInUse;
    putText(r, 26, kField, wlan.wepKey);
    return r;
}

WlanConfig decodeWlanConfig(std::span<const uint8_t> record) {
    WlanConfig wlan;
    wlan.enabled = record[0];
    wlan.mode = record[1];
    wlan.ssid = getText(record, 2, kField);
    wlan.channel = record[24];
    wlan.wepInUse = record[25];
    wlan.wepKey = getText(record, 26, kField);
    return wlan;
}

wire::Bytes encodeMacReply(uint8_t interfaceCode, const MacAddress& mac) {
    wire::Bytes r(wire::kMacAddrBytes, 0);
    r[0] = interfaceCode;
    // All 17 characters fit: the field needs no terminator.
    const std::string text = macText(mac);
    std::copy_n(text.begin(), kMacTextField, r.begin() + 1);
    return r;
}

std::string formatStateFile(const TerminalState& state) {
    TerminalState s = state;
    std::ostringstream out;
    out << "# termsim terminal state\n";
    out << "model=" << s.model << '\n';
    out << "mac=" << macText(s.mac) << '\n';
    for (const Key& key : kKeys)
        out << key.name << '=' << valueText(key, s) << '\n';
    return out.str();
}

std::string describeSettings(const TerminalState& state, std::string_view group) {
    TerminalState s = state;
    std::string out;
    for (const Key& key : kKeys) {
        const std::string_view name = key.name;
        if (!name.starts_with(group) || name.substr(group.size(), 1) != ".")
            continue;
        const std::string value = valueText(key, s);
        out += (out.empty() ? "" : " ") + std::string(name) + '=' +
               (key.kind == Kind::Text ? '"' + value + '"' : value);
    }
    return out;
}

tarifon::Result<TerminalState> parseStateFile(const std::string& text, const TerminalState& base) {
    TerminalState s = base;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const auto fail = [&](const std::string& why) {
            return tarifon::fail("line " + std::to_string(number) + ": " + why);
        };
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // Leading UTF-8 byte order mark, as editors on other systems write it.
        if (number == 1 && line.starts_with("\xEF\xBB\xBF"))
            line.erase(0, 3);
        const std::string_view view = trim(line);
        if (view.empty() || view.front() == '#')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected key=value");
        const std::string name(trim(std::string_view(line).substr(0, eq)));
        const std::string_view value = std::string_view(line).substr(eq + 1);
        if (name == "model") {
            if (!parseNumber(trim(value), s.model))
                return fail("model must be a whole number");
            continue;
        }
        if (name == "mac") {
            auto mac = parseMac(std::string(trim(value)));
            if (!mac)
                return fail(mac.error());
            s.mac = mac.value();
            continue;
        }
        const auto key =
            std::find_if(kKeys.begin(), kKeys.end(), [&](const Key& k) { return name == k.name; });
        if (key == kKeys.end())
            return fail("unknown key '" + name + "'");
        if (key->kind == Kind::Byte) {
            unsigned byteValue = 0;
            if (!parseNumber(trim(value), byteValue) || byteValue > 255)
                return fail(name + " must be a number from 0 to 255");
            key->byte(s) = static_cast<uint8_t>(byteValue);
        } else {
            auto unescaped = unescape(value);
            if (!unescaped)
                return fail(unescaped.error());
            key->text(s) = tarifon::cp1252::fromUtf8(unescaped.value());
        }
    }
    return s;
}

tarifon::Result<TerminalState> loadStateFile(const std::filesystem::path& path,
                                             const TerminalState& base) {
    const auto fail = [&](const std::string& why) {
        return tarifon::fail("cannot read state file " + path.string() + ": " + why);
    };
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return base;
    if (status.type() == std::filesystem::file_type::directory)
        return fail("it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(std::strerror(errno));
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return fail(std::strerror(errno));
    auto parsed = parseStateFile(content, base);
    if (!parsed)
        return fail(parsed.error());
    return parsed;
}

tarifon::Result<void> saveStateFile(const std::filesystem::path& path, const TerminalState& state) {
    return tarifon::writeFileAtomically(path, formatStateFile(state));
}

}  // namespace termsim
