#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/ip/address.hpp>

#include "base/Result.h"
#include "termlink/Asio.h"

// The peers the server answers: IPv4 and IPv6 networks and single addresses.  A back
// office reached through a careless port forward must not serve the world, so by
// default only loopback and the private and link-local ranges get in.
namespace termlink {

class AllowList {
public:
    // 127.0.0.0/8, ::1, 10.0.0.0/8, 172.16.0.0/12, 192.168.0.0/16, 169.254.0.0/16,
    // fc00::/7, fe80::/10.
    static AllowList privateNetworks();
    // 127.0.0.1 and ::1: this machine only.
    static AllowList loopback();
    // Entries "address" or "address/prefix", separated by commas, blanks or both.  An
    // IPv4-mapped IPv6 network is taken as the IPv4 network it maps.  The error names
    // the first entry that does not parse; an empty list is an error too.
    static tarifon::Result<AllowList> parse(std::string_view text);

    // An IPv4 peer that reaches an IPv6 listener (as ::ffff:a.b.c.d) is matched as IPv4.
    bool allows(const asio::ip::address& peer) const;
    // "127.0.0.0/8, ::1/128, ...": the list as it can be written back.
    std::string text() const;

    // The address as the list sees it: IPv4-mapped IPv6 made IPv4.
    static asio::ip::address plain(const asio::ip::address& address);

private:
    struct Network {
        bool v4 = true;
        std::array<uint8_t, 16> bytes{};  // the first 4 for IPv4; bits past the prefix zero
        unsigned prefix = 0;
    };
    static std::optional<Network> parseEntry(std::string_view entry);

    std::vector<Network> m_networks;
};

}  // namespace termlink
