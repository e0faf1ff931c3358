#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include <termlink.h>

namespace tarifon {

// A terminal's gateway, name and update-server settings (bPedeUpdConfig,
// bReceiveUpdConfig, bMandaUpdConfig).  Texts are UTF-8.
struct UpdConfig {
    std::string gateway{};
    std::string nameServer{};
    std::string terminalName{};
    std::string updateServer{};  // the one wide field: 99 bytes of text
    std::string user{};
    std::string password{};

    bool operator==(const UpdConfig&) const = default;
};

using UpdConfigRecord = std::array<uint8_t, TERMLINK_UPD_CONFIG_SIZE>;

UpdConfigRecord encodeUpdConfig(int32_t socket, const UpdConfig& upd);
UpdConfig decodeUpdConfig(std::span<const uint8_t, TERMLINK_UPD_CONFIG_SIZE> record);

}  // namespace tarifon
