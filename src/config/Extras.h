#pragma once

#include <array>
#include <cstdint>
#include <span>

#include <termlink.h>

namespace tarifon {

// A terminal's two switches (bPedeParam, bReceiveParam, bMandaParam).
struct Extras {
    bool dynamicIp = false;
    bool findServer = false;

    bool operator==(const Extras&) const = default;
};

using ExtrasRecord = std::array<uint8_t, TERMLINK_PARAM_SIZE>;

// Each switch travels as 1 (on) or 0 (off).
ExtrasRecord encodeExtras(int32_t socket, const Extras& extras);
// In a reply any nonzero byte is on.
Extras decodeExtras(std::span<const uint8_t, TERMLINK_PARAM_SIZE> record);

}  // namespace tarifon
