#include "termlink/Peer.h"

#include "base/LittleEndian.h"
#include "termlink/AllowList.h"

namespace termlink {

uint32_t tableAddress(const asio::ip::address& address) {
    const auto plain = AllowList::plain(address);
    if (!plain.is_v4())
        return 0;
    return tarifon::le::read32(plain.to_v4().to_bytes().data());
}

std::string addressText(const asio::ip::address& address) {
    return AllowList::plain(address).to_string();
}

}  // namespace termlink
