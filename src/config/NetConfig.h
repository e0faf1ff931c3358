#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <termlink.h>

namespace tarifon {

// A terminal's network settings (bPedeConfig, bReceiveConfig, bMandaConfig): the
// server and terminal addresses, the netmask, four texts of its idle screen and how
// long it shows them.  Texts are UTF-8; the addresses are not checked for form.
struct NetConfig {
    std::string server{};
    std::string terminal{};
    std::string netmask{};
    std::string text1{};
    std::string text2{};
    std::string text3{};
    std::string text4{};
    int32_t displayTime = 0;  // one byte in the record: its low 8 bits

    bool operator==(const NetConfig&) const = default;
};

using NetConfigRecord = std::array<uint8_t, TERMLINK_NET_CONFIG_SIZE>;

NetConfigRecord encodeNetConfig(int32_t socket, const NetConfig& net);
NetConfig decodeNetConfig(std::span<const uint8_t, TERMLINK_NET_CONFIG_SIZE> record);

}  // namespace tarifon
