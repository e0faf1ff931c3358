#include "termsim/Options.h"

#include <charconv>
#include <cmath>

#include "base/Cp1252.h"

namespace termsim {

namespace {

template <class T>
bool parseWhole(const std::string& text, T& value) {
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty();
}

bool parseSeconds(const std::string& text, double& value) {
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty() &&
           std::isfinite(value) && value > 0;
}

// HOST:PORT, with IPv6 hosts in brackets: [::1]:4000.
bool parseServer(const std::string& text, std::string& host, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = text.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return false;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return false;
    }
    return parseWhole(text.substr(colon + 1), port) && port != 0;
}

bool parseReport(const std::string& text, wire::Response& response) {
    const size_t slash = text.find('/');
    if (!parseWhole(text.substr(0, slash), response.code))
        return false;
    if (slash == std::string::npos)
        return true;
    int32_t second = 0;
    if (!parseWhole(text.substr(slash + 1), second))
        return false;
    response.second = second;
    return true;
}

}  // namespace

std::string codeProblem(const std::string& code) {
    if (code.empty())
        return "a code must not be empty";
    const std::string bytes = tarifon::cp1252::fromUtf8(code);
    if (bytes.size() > wire::kMaxCodeBytes)
        return "code longer than " + std::to_string(wire::kMaxCodeBytes) +
               " bytes: " + code.substr(0, 40) + "...";
    if (bytes.find('\0') != std::string::npos)
        return "a code must not hold a zero byte";
    return {};
}

tarifon::Result<Options> parseArguments(const std::vector<std::string>& args) {
    Options o;
    bool scan = false, interactive = false, idle = false, terminalsGiven = false;
    bool rateGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Options that take one value share the fetch and its error.
        std::string value;
        const auto takeValue = [&]() {
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        const auto missing = [&] { return tarifon::fail(arg + " needs a value"); };
        const auto bad = [&](const std::string& what) {
            return tarifon::fail(arg + ": '" + value + "' is not " + what);
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--interactive") {
            interactive = true;
        } else if (arg == "--idle") {
            idle = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--scan") {
            scan = true;
            while (i + 1 < args.size() && !args[i + 1].starts_with("--")) {
                o.codes.push_back(args[++i]);
                if (auto why = codeProblem(o.codes.back()); !why.empty())
                    return tarifon::fail(why);
            }
            if (o.codes.empty())
                return tarifon::fail("--scan needs at least one code");
        } else if (arg == "--server") {
            if (!takeValue())
                return missing();
            if (!parseServer(value, o.host, o.port))
                return bad("HOST:PORT");
        } else if (arg == "--timeout") {
            if (!takeValue())
                return missing();
            if (!parseSeconds(value, o.timeout))
                return bad("a positive number of seconds");
        } else if (arg == "--duration") {
            if (!takeValue())
                return missing();
            double seconds = 0;
            if (!parseSeconds(value, seconds))
                return bad("a positive number of seconds");
            o.duration = seconds;
        } else if (arg == "--model") {
            if (!takeValue())
                return missing();
            int32_t model = 0;
            if (!parseWhole(value, model))
                return bad("a whole number");
            o.model = model;
        } else if (arg == "--mac") {
            if (!takeValue())
                return missing();
            auto mac = parseMac(value);
            if (!mac)
                return tarifon::fail("--mac: " + mac.error());
            o.mac = mac.value();
        } else if (arg == "--seed") {
            if (!takeValue())
                return missing();
            if (!parseWhole(value, o.seed))
                return bad("a whole number from 0 to 4294967295");
        } else if (arg == "--name") {
            if (!takeValue())
                return missing();
            o.name = value;
        } else if (arg == "--firmware") {
            if (!takeValue())
                return missing();
            o.firmware = value;
        } else if (arg == "--state") {
            if (!takeValue())
                return missing();
            o.statePath = value;
        } else if (arg == "--pictures") {
            if (!takeValue())
                return missing();
            o.picturesDir = value;
        } else if (arg == "--render") {
            if (!takeValue())
                return missing();
            o.renderPath = value;
        } else if (arg == "--report") {
            if (!takeValue())
                return missing();
            wire::Response response;
            if (!parseReport(value, response))
                return bad("CODE or CODE/SECOND");
            o.report = response;
        } else if (arg == "--terminals") {
            if (!takeValue())
                return missing();
            if (!parseWhole(value, o.terminals) || o.terminals < 1 || o.terminals > kMaxTerminals)
                return bad("a number of terminals from 1 to " + std::to_string(kMaxTerminals));
            terminalsGiven = true;
        } else if (arg == "--rate") {
            if (!takeValue())
                return missing();
            if (!parseSeconds(value, o.rate))
                return bad("a positive number of scans per second");
            rateGiven = true;
        } else if (arg == "--transport") {
            if (!takeValue())
                return missing();
            if (value == "wire")
                o.transport = Transport::Wire;
            else if (value == "http")
                o.transport = Transport::Http;
            else if (value == "ws")
                o.transport = Transport::WebSocket;
            else
                return bad("wire, http or ws");
        } else if (arg == "--codes") {
            if (!takeValue())
                return missing();
            o.codesFile = value;
        } else {
            return tarifon::fail("unknown argument '" + arg + "'");
        }
    }
    if (o.help)
        return o;
    if (o.host.empty())
        return tarifon::fail("--server HOST:PORT is required");

    const int modes = int(scan) + int(interactive) + int(terminalsGiven || idle);
    if (modes > 1)
        return tarifon::fail("choose one of --scan, --interactive and --terminals/--idle");
    if (idle) {
        o.mode = Mode::Idle;
    } else if (terminalsGiven) {
        o.mode = Mode::Load;
    } else if (scan) {
        o.mode = Mode::Scan;
    } else if (interactive) {
        o.mode = Mode::Interactive;
    }

    const bool many = o.mode == Mode::Load || o.mode == Mode::Idle;
    if (many) {
        if (!o.duration)
            return tarifon::fail("--terminals and --idle need --duration SECONDS");
        if (o.statePath || o.picturesDir || o.renderPath || o.mac || o.name)
            return tarifon::fail(
                "--state, --pictures, --render, --mac and --name serve one "
                "terminal, not --terminals");
        if (o.mode == Mode::Load && o.codesFile.empty())
            return tarifon::fail("--terminals needs --codes FILE (or --idle)");
        if (o.mode == Mode::Idle && (!o.codesFile.empty() || rateGiven))
            return tarifon::fail("--idle does not scan: drop --codes and --rate");
        if (o.mode == Mode::Idle && o.transport == Transport::Http)
            return tarifon::fail("--idle keeps connections: use --transport ws or wire");
    } else {
        if (o.transport != Transport::Wire)
            return tarifon::fail("--transport belongs to --terminals and --idle");
        if (!o.codesFile.empty() || rateGiven)
            return tarifon::fail("--codes and --rate belong to --terminals");
        if (o.json)
            return tarifon::fail("--json belongs to --terminals and --idle");
    }
    return o;
}

void applyIdentity(const Options& options, TerminalState& state) {
    if (options.model)
        state.model = *options.model;
    if (options.mac)
        state.mac = *options.mac;
    if (options.name)
        state.upd.terminalName = tarifon::cp1252::fromUtf8(*options.name);
    if (options.firmware)
        state.firmware = tarifon::cp1252::fromUtf8(*options.firmware);
}

std::string usage() {
    return R"(usage: termsim --server HOST:PORT [mode] [options]

Simulates price-query terminals against a Tarifon server.

Modes (one of):
  --scan CODE [CODE...]   scan the codes in order, print CODE<TAB>DESCRIPTION<TAB>PRICE,
                          CODE<TAB>not found or CODE<TAB>no reply; exit 0 when every code
                          got a reply, 1 otherwise
  --interactive           read codes from standard input, one per line, and print the
                          replies, display messages and pictures as they arrive
  --terminals N           load: N terminals scan codes from --codes FILE at --rate R scans
                          per second each for --duration S seconds, then print statistics
  --idle                  with --terminals N: connect, answer keep-alives for --duration S,
                          report how many stayed connected
  (none)                  connect and serve the server (settings, commands, pictures) until
                          it closes the connection, --duration passes or SIGINT/SIGTERM

Options:
  --timeout S             seconds to wait for a reply or the server's welcome (default 5)
  --duration S            how long to run (load, idle); with --scan, stay connected S more
                          seconds after the last code
  --model N               model code sent in the hello (default 2; 2 or more asks for pictures)
  --mac XX:XX:XX:XX:XX:XX MAC address (default 02:00 followed by --seed as 32 bits)
  --seed N                seed of the default MAC address (default 1; load mode: N + index)
  --name TEXT             terminal name in the update-server settings
  --firmware TEXT         firmware text sent in the hello
  --state FILE            load the terminal state from FILE and save it after every write
  --pictures DIR          store received pictures in DIR, listed in DIR/pictures.log
  --render FILE.png       draw the display message and the pictures received into FILE.png,
                          redrawn after each one
  --report CODE[/SECOND]  send one response code (or a pair) after connecting
  --codes FILE            codes for load mode, one per line
  --rate R                scans per second per terminal in load mode (default 1)
  --transport T           load and idle mode: wire (our protocol, default), http (price
                          checkers asking /api/price over keep-alive connections) or ws
                          (kiosk pages); http and ws need --server at the web port
  --json                  load and idle mode: print the statistics as one JSON object
  --help                  this text

Exit status: 0 success, 1 a code without reply or the server closed the connection,
2 bad arguments, unreadable files or no connection to the server.
)";
}

}  // namespace termsim
