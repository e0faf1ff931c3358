#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "termsim/TerminalState.h"
#include "wire/Wire.h"

namespace termsim {

enum class Mode {
    Listen,       // connect and serve the server until it closes, --duration or a signal
    Scan,         // scan the codes of the command line
    Interactive,  // scan codes read from standard input
    Load,         // many terminals scanning at a rate
    Idle,         // many terminals connected, only answering keep-alives
};

// How load and idle mode reach the server: our wire protocol, or the web side as price
// checkers (HTTP keep-alive) or kiosk pages (WebSocket) do.
enum class Transport { Wire, Http, WebSocket };

struct Options {
    Mode mode = Mode::Listen;
    bool help = false;
    std::string host;
    uint16_t port = 0;
    std::vector<std::string> codes;  // UTF-8, as given
    double timeout = 5.0;            // seconds to wait for a reply (and for the welcome)
    std::optional<double> duration;  // seconds
    std::optional<int32_t> model;
    std::optional<MacAddress> mac;
    uint32_t seed = 1;
    std::optional<std::string> name;      // UTF-8
    std::optional<std::string> firmware;  // UTF-8
    std::optional<std::string> statePath;
    std::optional<std::string> picturesDir;
    std::optional<std::string> renderPath;  // PNG of what the terminal shows
    std::optional<wire::Response> report;
    int terminals = 1;
    double rate = 1.0;  // scans per second per terminal
    std::string codesFile;
    Transport transport = Transport::Wire;
    bool json = false;
};

inline constexpr int kMaxTerminals = 10000;

// Arguments without the program name.  The error says what is wrong in one line.
tarifon::Result<Options> parseArguments(const std::vector<std::string>& args);
std::string usage();

// Why a code (UTF-8) cannot be sent, or empty: the wire carries 1 to 1022 bytes
// of Windows-1252 without zero bytes.
std::string codeProblem(const std::string& code);

// Puts what the command line says about the terminal (model, MAC, name, firmware)
// over a state, converting texts to Windows-1252.
void applyIdentity(const Options& options, TerminalState& state);

}  // namespace termsim
