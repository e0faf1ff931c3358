#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include <termlink.h>

namespace tarifon {

// A terminal's answer to bPedeMacAddr (bReceiveMacAddrConfig): which interface the
// address belongs to and the address as the terminal writes it.
struct MacAddress {
    uint8_t interfaceCode = 0;  // 0 wired, 1 wireless
    std::string text{};         // UTF-8, at most 17 characters

    bool operator==(const MacAddress&) const = default;
};

// The 17-byte text needs no terminator: it is read to the record's last byte.
MacAddress decodeMacAddress(std::span<const uint8_t, TERMLINK_MAC_ADDR_SIZE> record);

// The request's interface code for an item of the "Interface" radio group: "Cabo"
// (0) asks for 0, "Sem Fio" (1) for 1, "Atual" (2), and anything else, for 9.
uint8_t macRequestCode(int item);
// The item of that group a reply's interface code names: 0 and 1 do, others none.
std::optional<int> macReplyItem(uint8_t interfaceCode);

}  // namespace tarifon
