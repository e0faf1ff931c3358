#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <termlink.h>

namespace tarifon {

// A terminal's Wi-Fi settings (bPedeWlanConfig, bReceiveWlanConfig, bMandaWlanConfig).
// Three of them are the item index of a two-item radio group: -1 when no item is
// chosen, which travels as 255.  Texts are UTF-8.
struct WlanConfig {
    int32_t enabled = -1;  // 0 "Desabilitado", 1 "Habilitado"
    int32_t mode = -1;     // 0 "Infraestrutura", 1 "Ad-Hoc"
    std::string ssid{};
    int32_t channel = 1;
    int32_t wep = -1;  // 0 "NAO", 1 "SIM"
    std::string wepKey{};

    bool operator==(const WlanConfig&) const = default;
};

using WlanConfigRecord = std::array<uint8_t, TERMLINK_WLAN_CONFIG_SIZE>;

// Numbers travel as their low 8 bits.
WlanConfigRecord encodeWlanConfig(int32_t socket, const WlanConfig& wlan);
// An item index of 2 or more (255 included) chooses the group's last item.
WlanConfig decodeWlanConfig(std::span<const uint8_t, TERMLINK_WLAN_CONFIG_SIZE> record);

}  // namespace tarifon
