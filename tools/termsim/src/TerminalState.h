#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "base/Result.h"
#include "wire/Wire.h"

// What a terminal remembers: identity and the four settings records the server
// reads and writes.  Texts are held as Windows-1252 bytes, as on the wire.
namespace termsim {

namespace wire = termlink::wire;

using MacAddress = std::array<uint8_t, 6>;

struct NetConfig {
    std::string server, terminal, netmask, text1, text2, text3, text4;
    uint8_t displayTime = 5;
};

struct UpdConfig {
    std::string gateway, nameServer, terminalName, updateServer, user, password;
};

struct Extras {
    uint8_t dynamicIp = 0;
    uint8_t findServer = 0;
};

struct WlanConfig {
    uint8_t enabled = 0;
    uint8_t mode = 0;
    std::string ssid;
    uint8_t channel = 1;
    uint8_t wepInUse = 0;
    std::string wepKey;
};

struct TerminalState {
    int32_t model = 2;
    MacAddress mac{};
    std::string firmware = "termsim 1.0";
    NetConfig net;
    UpdConfig upd;
    Extras extras;
    WlanConfig wlan;
};

// A fresh terminal; the seed makes the MAC address 02:00:xx:xx:xx:xx.
TerminalState defaultState(uint32_t seed);
MacAddress macFromSeed(uint32_t seed);
std::string macText(const MacAddress& mac);
tarifon::Result<MacAddress> parseMac(const std::string& text);

// Record payloads as the wire carries them (without the program's leading field).
wire::Bytes encodeNetConfig(const NetConfig& net);
wire::Bytes encodeUpdConfig(const UpdConfig& upd);
wire::Bytes encodeExtras(const Extras& extras);
wire::Bytes encodeWlanConfig(const WlanConfig& wlan);
wire::Bytes encodeMacReply(uint8_t interfaceCode, const MacAddress& mac);
// The decoders expect a record of their type's exact size (the codec checks it).
NetConfig decodeNetConfig(std::span<const uint8_t> record);
UpdConfig decodeUpdConfig(std::span<const uint8_t> record);
Extras decodeExtras(std::span<const uint8_t> record);
WlanConfig decodeWlanConfig(std::span<const uint8_t> record);

// The state file: UTF-8 "key=value" lines, '#' comments, blank lines ignored.
std::string formatStateFile(const TerminalState& state);
// One group of settings ("net", "upd", "extras" or "wlan") on one line, as the state
// file names and writes them, texts in quotes: what a terminal shows it has.
std::string describeSettings(const TerminalState& state, std::string_view group);
// Keys not in the text keep their value from `base`.
tarifon::Result<TerminalState> parseStateFile(const std::string& text, const TerminalState& base);
// A missing file yields `base` unchanged; an unreadable or malformed one an error.
tarifon::Result<TerminalState> loadStateFile(const std::filesystem::path& path,
                                             const TerminalState& base);
tarifon::Result<void> saveStateFile(const std::filesystem::path& path, const TerminalState& state);

}  // namespace termsim
