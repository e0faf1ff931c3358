#include "termlink/AllowList.h"

#include <charconv>
#include <cstring>

namespace termlink {

namespace {

constexpr unsigned kV4Bits = 32;
constexpr unsigned kV6Bits = 128;
// ::ffff:a.b.c.d: the IPv4 address sits in the last 32 of 128 bits.
constexpr unsigned kMappedPrefixBits = kV6Bits - kV4Bits;

constexpr std::string_view kSeparators = ", \t";

// Whether the first `bits` bits of `a` and `b` agree.
bool samePrefix(const uint8_t* a, const uint8_t* b, unsigned bits) {
    const unsigned whole = bits / 8;
    if (std::memcmp(a, b, whole) != 0)
        return false;
    const unsigned rest = bits % 8;
    if (rest == 0)
        return true;
    const auto mask = static_cast<uint8_t>(0xFF << (8 - rest));
    return (a[whole] & mask) == (b[whole] & mask);
}

}  // namespace

asio::ip::address AllowList::plain(const asio::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
    return address;
}

AllowList AllowList::privateNetworks() {
    return *parse(
        "127.0.0.0/8 ::1 10.0.0.0/8 172.16.0.0/12 192.168.0.0/16 169.254.0.0/16 fc00::/7 "
        "fe80::/10");
}

AllowList AllowList::loopback() {
    return *parse("127.0.0.1 ::1");
}

std::optional<AllowList::Network> AllowList::parseEntry(std::string_view entry) {
    const size_t slash = entry.find('/');
    boost::system::error_code ec;
    const auto address = asio::ip::make_address(std::string(entry.substr(0, slash)), ec);
    if (ec)
        return std::nullopt;
    Network network;
    network.v4 = address.is_v4();
    if (network.v4) {
        const auto bytes = address.to_v4().to_bytes();
        std::memcpy(network.bytes.data(), bytes.data(), bytes.size());
    } else {
        network.bytes = address.to_v6().to_bytes();
    }
    const unsigned bits = network.v4 ? kV4Bits : kV6Bits;
    network.prefix = bits;
    if (slash != std::string_view::npos) {
        const std::string_view digits = entry.substr(slash + 1);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), network.prefix);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            network.prefix > bits)
            return std::nullopt;
    }
    if (!network.v4 && network.prefix >= kMappedPrefixBits && address.to_v6().is_v4_mapped()) {
        std::memmove(network.bytes.data(), network.bytes.data() + 12, 4);
        network.v4 = true;
        network.prefix -= kMappedPrefixBits;
    }
    // Host bits are dropped: 10.1.2.3/8 is 10.0.0.0/8.
    for (unsigned bit = network.prefix; bit < 128; ++bit)
        network.bytes[bit / 8] &= static_cast<uint8_t>(~(0x80u >> (bit % 8)));
    return network;
}

tarifon::Result<AllowList> AllowList::parse(std::string_view text) {
    AllowList list;
    while (!text.empty()) {
        const size_t start = text.find_first_not_of(kSeparators);
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        const std::string_view entry = text.substr(0, text.find_first_of(kSeparators));
        text.remove_prefix(entry.size());
        const auto network = parseEntry(entry);
        if (!network)
            return tarifon::fail("'" + std::string(entry) +
                                 "' is not an IP address or network (address/prefix)");
        list.m_networks.push_back(*network);
    }
    if (list.m_networks.empty())
        return tarifon::fail("the list is empty");
    return list;
}

bool AllowList::allows(const asio::ip::address& peer) const {
    const auto address = plain(peer);
    std::array<uint8_t, 16> bytes{};
    if (address.is_v4()) {
        const auto v4 = address.to_v4().to_bytes();
        std::memcpy(bytes.data(), v4.data(), v4.size());
    } else {
        bytes = address.to_v6().to_bytes();
    }
    for (const auto& network : m_networks) {
        if (network.v4 == address.is_v4() &&
            samePrefix(network.bytes.data(), bytes.data(), network.prefix))
            return true;
    }
    return false;
}

std::string AllowList::text() const {
    std::string out;
    for (const auto& network : m_networks) {
        if (!out.empty())
            out += ", ";
        if (network.v4) {
            asio::ip::address_v4::bytes_type v4;
            std::memcpy(v4.data(), network.bytes.data(), v4.size());
            out += asio::ip::address_v4(v4).to_string();
        } else {
            out += asio::ip::address_v6(network.bytes).to_string();
        }
        out += "/" + std::to_string(network.prefix);
    }
    return out;
}

}  // namespace termlink
