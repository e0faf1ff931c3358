#pragma once

#include <cstdint>
#include <string>

#include <boost/asio/ip/address.hpp>

#include "termlink/Asio.h"

// How the program sees a terminal's peer address, whatever its transport.
namespace termlink {

// For the connected-terminal table: the IPv4 address's bytes in network order as they lie
// in memory (an IPv4-mapped IPv6 address counts as IPv4); 0 for IPv6.
uint32_t tableAddress(const asio::ip::address& address);
// As text (bTermAddress): IPv4-mapped IPv6 addresses as IPv4.
std::string addressText(const asio::ip::address& address);

}  // namespace termlink
